# Flags shared by every target of the project: language level, warnings, sanitizer switch.
add_library(chorelin_common INTERFACE)
target_compile_features(chorelin_common INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(chorelin_common INTERFACE -Wall -Wextra)
target_compile_definitions(chorelin_common INTERFACE _GNU_SOURCE)

set(CHORELIN_SANITIZE "" CACHE STRING "Sanitizer set: empty, address (ASan+UBSan) or thread")
if(CHORELIN_SANITIZE STREQUAL "address")
    target_compile_options(chorelin_common INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                           -fno-sanitize-recover=undefined)
    target_link_options(chorelin_common INTERFACE -fsanitize=address,undefined)
elseif(CHORELIN_SANITIZE STREQUAL "thread")
    target_compile_options(chorelin_common INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
    target_link_options(chorelin_common INTERFACE -fsanitize=thread)
endif()
