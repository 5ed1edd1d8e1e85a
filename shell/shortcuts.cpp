#include "shell/shortcuts.h"

#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstddef>
#include <utility>
#include <vector>

#include "app/startup.h"
#include "shell/com_ptr.h"

namespace horvane {

namespace {

constexpr char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char kShortcutFileName[] = "\\自动校时.lnk";
constexpr char kShortcutDescription[] = "把当前计算机的时间同步为标准北京时间。";
constexpr char kShortcutArguments[] = "auto";

// Owner of one open registry key.
class RegistryKey {
  public:
    RegistryKey() = default;
    ~RegistryKey() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    RegistryKey(RegistryKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
    RegistryKey& operator=(RegistryKey&& other) noexcept {
        std::swap(key_, other.key_);
        return *this;
    }

    bool Open(HKEY parent, const char* subKey, REGSAM access) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(parent, subKey, 0, access, &key) != ERROR_SUCCESS) return false;
        *this = RegistryKey(key);
        return true;
    }
    HKEY Get() const { return key_; }

  private:
    explicit RegistryKey(HKEY key) : key_(key) {}
    HKEY key_ = nullptr;
};

// The bytes up to the first zero byte (all of them when there is none).
std::string UpToFirstZero(const char* data, std::size_t size) {
    std::string text(data, size);
    std::size_t zero = text.find('\0');
    if (zero != std::string::npos) text.resize(zero);
    return text;
}

std::string ExpandEnvironmentText(const std::string& text) {
    DWORD size = ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
    if (size == 0) return {};
    std::vector<char> expanded(size);
    DWORD written = ExpandEnvironmentStringsA(text.c_str(), expanded.data(), size);
    if (written == 0 || written > size) return {};
    return UpToFirstZero(expanded.data(), expanded.size());
}

std::wstring AnsiToWide(const std::string& text) {
    if (text.empty()) return {};
    int length =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

}  // namespace

std::string ShellFolderPath(const std::string& valueName) {
    RegistryKey key;
    if (!key.Open(HKEY_CURRENT_USER, kShellFoldersKey, KEY_READ)) return {};

    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.Get(), valueName.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS) {
        return {};
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {};

    std::string text;
    if (size > 0) {
        std::vector<char> data(size);
        DWORD read = size;
        if (RegQueryValueExA(key.Get(), valueName.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(data.data()), &read) != ERROR_SUCCESS) {
            return {};
        }
        text = UpToFirstZero(data.data(), read);
    }
    if (type == REG_EXPAND_SZ) return ExpandEnvironmentText(text);
    if (type == REG_SZ) return text;
    return {};  // the value changed its type between the two queries
}

std::string AutoSyncShortcutPath(const std::string& valueName) {
    std::string folder = ShellFolderPath(valueName);
    if (folder.empty()) return {};
    return folder + kShortcutFileName;
}

bool AutoSyncShortcutExists(const std::string& valueName) {
    std::string path = AutoSyncShortcutPath(valueName);
    if (path.empty()) return false;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}

ShellLinkContent AutoSyncShortcutContent(const std::string& runDirectory,
                                         const std::string& executableName) {
    return {runDirectory + "\\" + executableName, kShortcutDescription, kShortcutArguments,
            runDirectory};
}

void CreateAutoSyncShortcut(const std::string& valueName) {
    std::string path = AutoSyncShortcutPath(valueName);
    if (path.empty()) return;
    ShellLinkContent content = AutoSyncShortcutContent(RunDirectory(), ExecutableName());
    CreateShellLink(path, content.targetPath, content.description, content.arguments,
                    content.workingDirectory);
}

void DeleteAutoSyncShortcut(const std::string& valueName) {
    std::string path = AutoSyncShortcutPath(valueName);
    if (path.empty()) return;
    DeleteFileA(path.c_str());
}

bool CreateShellLink(const std::string& linkPath, const std::string& targetPath,
                     const std::string& description, const std::string& arguments,
                     const std::string& workingDirectory) {
    // Declared in this order so that the file interface is released before the link.
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.PutVoid()))) {
        return false;
    }
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid()))) return false;

    link->SetPath(targetPath.c_str());
    link->SetShowCmd(SW_SHOW);
    link->SetDescription(description.c_str());
    link->SetArguments(arguments.c_str());
    link->SetWorkingDirectory(workingDirectory.c_str());

    std::wstring widePath = AnsiToWide(linkPath);
    return SUCCEEDED(file->Save(widePath.c_str(), TRUE));
}

void OnShortcutCheckBoxClicked(HWND checkBox, const std::string& valueName) {
    if (SendMessageA(checkBox, BM_GETCHECK, 0, 0) == BST_CHECKED) {
        CreateAutoSyncShortcut(valueName);
    } else {
        DeleteAutoSyncShortcut(valueName);
    }
}

}  // namespace horvane
