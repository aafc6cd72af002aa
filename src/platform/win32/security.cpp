#include "platform/win32/security.h"

#include "platform/win32/win_util.h"

#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <vector>

namespace platform::win {
namespace {

// The token's user SID, read once: it does not change while the process lives.
const std::vector<BYTE>& userSid() {
    static const std::vector<BYTE> sid = [] {
        std::vector<BYTE> bytes;
        HANDLE raw = nullptr;
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw))
            return bytes;
        UniqueHandle token(raw);
        DWORD size = 0;
        ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
        std::vector<BYTE> info(size);
        if (size == 0 || !::GetTokenInformation(token.get(), TokenUser, info.data(), size, &size))
            return bytes;
        PSID user = reinterpret_cast<TOKEN_USER*>(info.data())->User.Sid;
        bytes.assign(static_cast<BYTE*>(user), static_cast<BYTE*>(user) + ::GetLengthSid(user));
        return bytes;
    }();
    return sid;
}

bool isUser(PSID sid) {
    const std::vector<BYTE>& self = userSid();
    return !self.empty() && ::EqualSid(sid, const_cast<BYTE*>(self.data()));
}

// Principals that may write anything of the user's anyway: granting them write takes nothing
// away. CREATOR OWNER only matters for what inherits, and OWNER RIGHTS is the owner.
bool isTrustedWriter(PSID sid) {
    return isUser(sid) || ::IsWellKnownSid(sid, WinLocalSystemSid) ||
           ::IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
           ::IsWellKnownSid(sid, WinCreatorOwnerSid) ||
           ::IsWellKnownSid(sid, WinCreatorOwnerRightsSid);
}

// Groups that stand for everybody who may log on here.
bool isEverybody(PSID sid) {
    return ::IsWellKnownSid(sid, WinWorldSid) || ::IsWellKnownSid(sid, WinAuthenticatedUserSid) ||
           ::IsWellKnownSid(sid, WinBuiltinUsersSid) || ::IsWellKnownSid(sid, WinInteractiveSid) ||
           ::IsWellKnownSid(sid, WinAnonymousSid);
}

constexpr ACCESS_MASK kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                     FILE_WRITE_ATTRIBUTES | WRITE_DAC | WRITE_OWNER | DELETE |
                                     GENERIC_WRITE | GENERIC_ALL;
// For a folder: making or removing entries in it.
constexpr ACCESS_MASK kFolderWriteRights = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY |
                                           FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER |
                                           GENERIC_WRITE | GENERIC_ALL;

enum class Writers { OnlyTrusted, Others, Everybody, Unknown };

// Who besides the user may write, as the allowing entries of the DACL say. Deny entries are not
// subtracted: a grant that a deny happens to cover is still reported, the safe side.
Writers writers(PACL dacl, BOOL present, ACCESS_MASK rights) {
    if (!present || dacl == nullptr)
        return Writers::Everybody; // no DACL: full access for everyone
    ACL_SIZE_INFORMATION info{};
    if (!::GetAclInformation(dacl, &info, sizeof info, AclSizeInformation))
        return Writers::Unknown;
    Writers found = Writers::OnlyTrusted;
    for (DWORD i = 0; i < info.AceCount; ++i) {
        void* raw = nullptr;
        if (!::GetAce(dacl, i, &raw))
            return Writers::Unknown;
        const auto* header = static_cast<ACE_HEADER*>(raw);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE))
            continue;
        const auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(raw);
        if ((ace->Mask & rights) == 0)
            continue;
        PSID sid = const_cast<DWORD*>(&ace->SidStart);
        if (isTrustedWriter(sid))
            continue;
        if (isEverybody(sid))
            return Writers::Everybody;
        found = Writers::Others;
    }
    return found;
}

struct Security {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    bool ok = false;
    explicit Security(HANDLE h) {
        ok = ::GetSecurityInfo(h, SE_FILE_OBJECT,
                               OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                               nullptr, &dacl, nullptr, &descriptor) == ERROR_SUCCESS;
    }
    ~Security() {
        if (descriptor)
            ::LocalFree(descriptor);
    }
    Security(const Security&) = delete;
    Security& operator=(const Security&) = delete;
    BOOL daclPresent() const {
        SECURITY_DESCRIPTOR_CONTROL control = 0;
        DWORD revision = 0;
        if (!::GetSecurityDescriptorControl(descriptor, &control, &revision))
            return FALSE;
        return (control & SE_DACL_PRESENT) != 0;
    }
};

} // namespace

FileTrust fileVerdict(HANDLE file) {
    Security s(file);
    if (!s.ok)
        return FileTrust::Unexaminable;
    if (!isUser(s.owner))
        return FileTrust::FileForeignOwner;
    switch (writers(s.dacl, s.daclPresent(), kWriteRights)) {
    case Writers::OnlyTrusted:
        return FileTrust::Trusted;
    case Writers::Unknown:
        return FileTrust::Unexaminable;
    default:
        return FileTrust::FileWritableByOthers;
    }
}

FileTrust folderVerdict(HANDLE folder) {
    Security s(folder);
    if (!s.ok)
        return FileTrust::Unexaminable;
    // The Administrators group owns folders an elevated program made for the user; it may do
    // anything here anyway.
    if (!isUser(s.owner) && !::IsWellKnownSid(s.owner, WinBuiltinAdministratorsSid) &&
        !::IsWellKnownSid(s.owner, WinLocalSystemSid))
        return FileTrust::FolderForeignOwner;
    // As on Linux a group folder is accepted (the file's own DACL decides); a folder that
    // everybody may write is not.
    switch (writers(s.dacl, s.daclPresent(), kFolderWriteRights)) {
    case Writers::Everybody:
        return FileTrust::FolderWritableByOthers;
    case Writers::Unknown:
        return FileTrust::Unexaminable;
    default:
        return FileTrust::Trusted;
    }
}

PrivateSecurity::PrivateSecurity() {
    const std::vector<BYTE>& sid = userSid();
    if (sid.empty())
        return;
    LPWSTR text = nullptr;
    if (!::ConvertSidToStringSidW(const_cast<BYTE*>(sid.data()), &text))
        return;
    // Protected (P): nothing is inherited from the folder; OICI: what is made inside inherits it.
    const std::wstring sddl = std::wstring(L"D:P(A;OICI;FA;;;") + text + L")(A;OICI;FA;;;SY)";
    ::LocalFree(text);
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                                &descriptor_, nullptr))
        descriptor_ = nullptr;
    attributes_.nLength = sizeof attributes_;
    attributes_.lpSecurityDescriptor = descriptor_;
    attributes_.bInheritHandle = FALSE;
}

PrivateSecurity::~PrivateSecurity() {
    if (descriptor_)
        ::LocalFree(descriptor_);
}

} // namespace platform::win
