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

# The hardening Debian's own packages are built with: a stack protector, checked C library calls
# where the optimiser makes them possible, a relocation table made read-only after start-up, and
# every symbol bound at start-up. Nothing is then looked up lazily later, which matters beyond
# the usual reasons here: a started program's child runs on this program's memory until execve
# and must never enter the dynamic linker. ELF only: the Windows build links a PE image, and
# mingw-w64's compiler fails on stack-clash protection with its unwind tables.
if(NOT WIN32)
    target_compile_options(chorelin_common INTERFACE -fstack-protector-strong)
    # Debian's compiler defaults on amd64 add these two as well; hardening-check asks for them.
    include(CheckCXXCompilerFlag)
    foreach(flag -fstack-clash-protection -fcf-protection)
        string(MAKE_C_IDENTIFIER "CHORELIN_HAS${flag}" have)
        check_cxx_compiler_flag(${flag} ${have})
        if(${have})
            target_compile_options(chorelin_common INTERFACE ${flag})
        endif()
    endforeach()
    target_compile_definitions(chorelin_common INTERFACE
        $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
    target_link_options(chorelin_common INTERFACE LINKER:-z,now LINKER:-z,relro)
endif()
