// The real Windows registry through advapi32. Built only for Windows; the
// tests compile it with the mingw-w64 cross compiler.
#ifdef _WIN32

#include <windows.h>

#include <array>

#include "about/registry.h"

namespace ferulo::about {

namespace {

// The rights a key is opened with: KEY_QUERY_VALUE | KEY_SET_VALUE |
// KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY | KEY_CREATE_LINK |
// READ_CONTROL. Reading a value needs only the first; where the others are
// refused (a user who may not write below HKEY_LOCAL_MACHINE), the key counts
// as missing and the launcher says the tool is unavailable.
constexpr REGSAM kKeyAccess = 0x2003F;

// The predefined root handles are 32-bit values sign-extended to the size of
// a pointer (HKEY_LOCAL_MACHINE is (HKEY)(ULONG_PTR)(LONG)0x80000002).
HKEY RootHandle(RegistryRoot root) {
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
}

class Win32RegistryStore : public RegistryStore {
 public:
  [[nodiscard]] std::optional<RegistryData> Query(RegistryRoot root, const std::string& keyName,
                                                  const std::string& valueName) const override {
    HKEY key = nullptr;
    if (RegOpenKeyExA(RootHandle(root), keyName.c_str(), 0, kKeyAccess, &key) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    std::array<BYTE, kValueBufferSize> buffer{};
    DWORD size = static_cast<DWORD>(buffer.size());
    DWORD type = 0;
    // One read: data larger than the buffer gives ERROR_MORE_DATA and counts
    // as missing.
    const LONG read =
        RegQueryValueExA(key, valueName.c_str(), nullptr, &type, buffer.data(), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || size > buffer.size()) {
      return std::nullopt;
    }
    return RegistryData{static_cast<std::uint32_t>(type),
                        std::string(reinterpret_cast<const char*>(buffer.data()), size)};
  }
};

}  // namespace

std::shared_ptr<const RegistryStore> SystemRegistry() {
  return std::make_shared<Win32RegistryStore>();
}

}  // namespace ferulo::about

#endif  // _WIN32
