// The start at login: a shell link "Chorelin.lnk" to the program in the user's Startup folder.

#include "platform/startup_link.h"

#include "platform/paths.h"
#include "platform/win32/win_util.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace platform {
namespace {

// COM for the calling thread for as long as the link is being made.
class ComScope {
public:
    ComScope() : hr_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(hr_))
            ::CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    // RPC_E_CHANGED_MODE: the thread has COM already, in the other model; that serves too.
    bool ok() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }

private:
    HRESULT hr_;
};

template <typename T> class ComPtr {
public:
    ~ComPtr() {
        if (p_)
            p_->Release();
    }
    T** put() { return &p_; }
    T* operator->() const { return p_; }

private:
    T* p_ = nullptr;
};

} // namespace

SystemPath startupLinkPath() {
    const std::optional<SystemPath> folder = startupFolder();
    return folder ? folder->child("Chorelin.lnk") : SystemPath();
}

bool createStartupLink(const SystemPath& linkPath, const SystemPath& targetProgram) {
    ComScope com;
    if (!com.ok())
        return false;
    ComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(link.put()))))
        return false;
    const std::wstring target = win::nativePath(targetProgram);
    const std::wstring folder = win::nativePath(targetProgram.folder());
    if (FAILED(link->SetPath(target.c_str())) || FAILED(link->SetWorkingDirectory(folder.c_str())))
        return false;
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put()))))
        return false;
    return SUCCEEDED(file->Save(win::nativePath(linkPath).c_str(), TRUE));
}

} // namespace platform
