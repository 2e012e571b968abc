#include "platform/win32/OwnerOnly.h"

#include <vector>

#include <windows.h>
#include <aclapi.h>

namespace vorn {

struct OwnerOnly::State {
  std::vector<unsigned char> user;
  std::vector<unsigned char> acl;
  SECURITY_DESCRIPTOR descriptor{};
  SECURITY_ATTRIBUTES attributes{};
  bool ready = false;

  PSID Sid() const { return reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid; }
};

OwnerOnly::OwnerOnly() : state_(std::make_unique<State>()) {
  State& s = *state_;
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return;
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  s.user.resize(size);
  const bool known = size > 0 && GetTokenInformation(token, TokenUser, s.user.data(), size, &size);
  CloseHandle(token);
  if (!known) return;
  s.acl.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(s.Sid()));
  auto* acl = reinterpret_cast<ACL*>(s.acl.data());
  if (!InitializeAcl(acl, static_cast<DWORD>(s.acl.size()), ACL_REVISION) ||
      !AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, GENERIC_ALL, s.Sid()) ||
      !InitializeSecurityDescriptor(&s.descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorDacl(&s.descriptor, TRUE, acl, FALSE) ||
      !SetSecurityDescriptorControl(&s.descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
    return;
  }
  s.attributes.nLength = sizeof s.attributes;
  s.attributes.lpSecurityDescriptor = &s.descriptor;
  s.attributes.bInheritHandle = FALSE;
  s.ready = true;
}

OwnerOnly::~OwnerOnly() = default;

bool OwnerOnly::Ready() const { return state_->ready; }

void* OwnerOnly::Attributes() { return state_->ready ? &state_->attributes : nullptr; }

bool OwnerOnly::OwnsObject(void* handle) const {
  if (!state_->ready) return false;
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(static_cast<HANDLE>(handle), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                      nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  const bool mine = owner != nullptr && EqualSid(owner, state_->Sid());
  LocalFree(descriptor);
  return mine;
}

bool OwnerOnly::ApplyTo(void* handle) {
  if (!state_->ready) return false;
  return SetSecurityInfo(static_cast<HANDLE>(handle), SE_FILE_OBJECT,
                         DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                         reinterpret_cast<ACL*>(state_->acl.data()), nullptr) == ERROR_SUCCESS;
}

}  // namespace vorn
