// The auto-sync shortcut: shell folder lookup in the registry, the link file's content,
// creation, replacement and deletion. Runs in the build folder's own Wine prefix; the
// registry values it writes are put back afterwards.

#include "shell/shortcuts.h"

#include <windows.h>
#include <objidl.h>
#include <ole2.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/startup.h"
#include "shell/com_ptr.h"

namespace horvane {
namespace {

constexpr char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char kLinkName[] = "自动校时.lnk";
constexpr char kDescription[] = "把当前计算机的时间同步为标准北京时间。";
// Value names of our own under the shell folders key, so that the user's folders stay put.
constexpr char kTestValue[] = "Horvane Test Folder";

// OLE for the test's thread, as the program's start-up gives it.
class ScopedOle {
  public:
    ScopedOle() : ok_(SUCCEEDED(OleInitialize(nullptr))) {}
    ~ScopedOle() {
        if (ok_) OleUninitialize();
    }
    ScopedOle(const ScopedOle&) = delete;
    ScopedOle& operator=(const ScopedOle&) = delete;
    bool ok() const { return ok_; }

  private:
    bool ok_;
};

bool EntryExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

void RemoveTree(const std::string& path) {
    if (!IsFolder(path)) {
        DeleteFileA(path.c_str());
        return;
    }
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name != "." && name != "..") RemoveTree(path + "\\" + name);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

// A fresh folder under the prefix's temporary folder, removed with all its content.
class TempFolder {
  public:
    TempFolder() {
        char base[MAX_PATH];
        DWORD length = GetTempPathA(MAX_PATH, base);
        std::string root(base, length);
        if (!root.empty() && root.back() == '\\') root.pop_back();
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            std::string candidate = root + "\\hv-shell-" + std::to_string(GetCurrentProcessId()) +
                                    "-" + std::to_string(GetTickCount()) + "-" +
                                    std::to_string(attempt);
            if (CreateDirectoryA(candidate.c_str(), nullptr)) path_ = candidate;
        }
    }
    ~TempFolder() {
        if (!path_.empty()) RemoveTree(path_);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// Writes a value under the shell folders key and puts back what was there (or removes the
// value) when it goes.
class ShellFolderValue {
  public:
    explicit ShellFolderValue(std::string name) : name_(std::move(name)) {
        RegCreateKeyExA(HKEY_CURRENT_USER, kShellFoldersKey, 0, nullptr, 0, KEY_READ | KEY_WRITE,
                        nullptr, &key_, nullptr);
        DWORD type = 0;
        DWORD size = 0;
        if (key_ != nullptr && RegQueryValueExA(key_, name_.c_str(), nullptr, &type, nullptr,
                                                &size) == ERROR_SUCCESS) {
            std::vector<BYTE> data(size);
            if (RegQueryValueExA(key_, name_.c_str(), nullptr, &type, data.data(), &size) ==
                ERROR_SUCCESS) {
                data.resize(size);
                saved_ = Saved{type, std::move(data)};
            }
        }
    }
    ~ShellFolderValue() {
        if (key_ == nullptr) return;
        if (saved_) {
            RegSetValueExA(key_, name_.c_str(), 0, saved_->type, saved_->data.data(),
                           static_cast<DWORD>(saved_->data.size()));
        } else {
            RegDeleteValueA(key_, name_.c_str());
        }
        RegCloseKey(key_);
    }
    ShellFolderValue(const ShellFolderValue&) = delete;
    ShellFolderValue& operator=(const ShellFolderValue&) = delete;

    bool Set(DWORD type, const std::string& bytes) {
        return key_ != nullptr && RegSetValueExA(key_, name_.c_str(), 0, type,
                                                 reinterpret_cast<const BYTE*>(bytes.data()),
                                                 static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
    }
    // A text value with its terminating zero, as programs usually store it.
    bool SetText(DWORD type, const std::string& text) {
        return Set(type, std::string(text.c_str(), text.size() + 1));
    }
    // True when the value is gone (or was never there).
    bool Remove() {
        if (key_ == nullptr) return false;
        LONG result = RegDeleteValueA(key_, name_.c_str());
        return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
    }

  private:
    struct Saved {
        DWORD type;
        std::vector<BYTE> data;
    };
    std::string name_;
    HKEY key_ = nullptr;
    std::optional<Saved> saved_;
};

struct LinkFields {
    std::string targetPath;
    std::string arguments;
    std::string workingDirectory;
    std::string description;
    int showCommand = -1;
};

// Reads a link file back through the shell's own link object.
std::optional<LinkFields> ReadLink(const std::string& linkPath) {
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.PutVoid()))) {
        return std::nullopt;
    }
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid()))) return std::nullopt;
    int length = MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, nullptr, 0);
    std::wstring widePath(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, widePath.data(), length);
    if (FAILED(file->Load(widePath.c_str(), STGM_READ))) return std::nullopt;

    LinkFields fields;
    char buffer[1024];
    buffer[0] = '\0';
    link->GetPath(buffer, sizeof buffer, nullptr, SLGP_RAWPATH);
    fields.targetPath = buffer;
    buffer[0] = '\0';
    link->GetArguments(buffer, sizeof buffer);
    fields.arguments = buffer;
    buffer[0] = '\0';
    link->GetWorkingDirectory(buffer, sizeof buffer);
    fields.workingDirectory = buffer;
    buffer[0] = '\0';
    link->GetDescription(buffer, sizeof buffer);
    fields.description = buffer;
    // The show command as written into the file's header. The shell reads any value other
    // than 1, 3 and 7 back as 1, so the interface cannot tell SW_SHOW from SW_SHOWNORMAL.
    HANDLE raw = CreateFileA(linkPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    if (raw == INVALID_HANDLE_VALUE) return std::nullopt;
    unsigned char header[0x4C] = {};
    DWORD read = 0;
    BOOL ok = ReadFile(raw, header, sizeof header, &read, nullptr);
    CloseHandle(raw);
    if (!ok || read != sizeof header || header[0] != 0x4C) return std::nullopt;
    fields.showCommand = header[0x3C] | header[0x3D] << 8 | header[0x3E] << 16 | header[0x3F] << 24;
    return fields;
}

class ShortcutsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        FixRunLocation();
        ASSERT_TRUE(ole_.ok());
        ASSERT_FALSE(folder_.path().empty());
    }

    std::string InFolder(const std::string& name) const { return folder_.path() + "\\" + name; }

    ScopedOle ole_;
    TempFolder folder_;
};

TEST_F(ShortcutsTest, ContentOfTheAutoSyncShortcut) {
    struct Case {
        const char* runDirectory;
        const char* executableName;
        const char* targetPath;
    };
    const Case cases[] = {
        {"C:\\tools\\Horvane", "Horvane.exe", "C:\\tools\\Horvane\\Horvane.exe"},
        // A program in a drive's root: the working directory is the drive alone.
        {"D:", "Horvane.exe", "D:\\Horvane.exe"},
        {"C:\\软件\\校时", "校时.exe", "C:\\软件\\校时\\校时.exe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.runDirectory);
        ShellLinkContent content = AutoSyncShortcutContent(c.runDirectory, c.executableName);
        EXPECT_EQ(content.targetPath, c.targetPath);
        EXPECT_EQ(content.workingDirectory, c.runDirectory);
        EXPECT_EQ(content.arguments, "auto");
        EXPECT_EQ(content.description, kDescription);

        // The same content survives the trip through a link file.
        const std::string linkPath = InFolder(kLinkName);
        ASSERT_TRUE(CreateShellLink(linkPath, content.targetPath, content.description,
                                    content.arguments, content.workingDirectory));
        std::optional<LinkFields> read = ReadLink(linkPath);
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(read->targetPath, c.targetPath);
        EXPECT_EQ(read->arguments, "auto");
        EXPECT_EQ(read->workingDirectory, c.runDirectory);
        EXPECT_EQ(read->description, kDescription);
        EXPECT_EQ(read->showCommand, SW_SHOW);
    }
}

TEST_F(ShortcutsTest, CreateShellLinkReplacesAnExistingFile) {
    const std::string linkPath = InFolder(kLinkName);
    ASSERT_TRUE(WriteFileBytes(linkPath, "not a link"));
    ASSERT_TRUE(CreateShellLink(linkPath, "C:\\a\\first.exe", "one", "x", "C:\\a"));
    ASSERT_TRUE(CreateShellLink(linkPath, "C:\\b\\second.exe", "two", "auto", "C:\\b"));
    std::optional<LinkFields> read = ReadLink(linkPath);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->targetPath, "C:\\b\\second.exe");
    EXPECT_EQ(read->arguments, "auto");
    EXPECT_EQ(read->workingDirectory, "C:\\b");
    EXPECT_EQ(read->description, "two");
}

TEST_F(ShortcutsTest, CreateShellLinkFailsInAMissingFolder) {
    const std::string linkPath = InFolder("missing\\" + std::string(kLinkName));
    EXPECT_FALSE(CreateShellLink(linkPath, "C:\\a.exe", "d", "auto", "C:\\"));
    EXPECT_FALSE(EntryExists(linkPath));
}

TEST_F(ShortcutsTest, ShellFolderPathReadsTextValues) {
    ShellFolderValue value(kTestValue);
    ASSERT_TRUE(SetEnvironmentVariableA("HORVANE_TEST_FOLDER", folder_.path().c_str()));

    struct Case {
        const char* name;
        DWORD type;
        std::string bytes;
        std::string expected;
    };
    const Case cases[] = {
        {"text", REG_SZ, folder_.path() + '\0', folder_.path()},
        {"trailing backslash kept", REG_SZ, folder_.path() + "\\" + '\0', folder_.path() + "\\"},
        {"text without terminating zero", REG_SZ, folder_.path(), folder_.path()},
        {"text cut at the first zero", REG_SZ, std::string("C:\\a\0C:\\b\0", 10), "C:\\a"},
        {"Chinese folder", REG_SZ, std::string("C:\\桌面") + '\0', "C:\\桌面"},
        {"empty text", REG_SZ, std::string(1, '\0'), ""},
        {"no bytes at all", REG_SZ, "", ""},
        {"expanded", REG_EXPAND_SZ, std::string("%HORVANE_TEST_FOLDER%\\Desktop") + '\0',
         folder_.path() + "\\Desktop"},
        {"expandable without variables", REG_EXPAND_SZ, std::string("C:\\x") + '\0', "C:\\x"},
        {"number", REG_DWORD, std::string("\x01\x00\x00\x00", 4), ""},
        {"binary", REG_BINARY, std::string("C:\\x") + '\0', ""},
        {"multi-text", REG_MULTI_SZ, std::string("C:\\x\0\0", 6), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(value.Set(c.type, c.bytes));
        EXPECT_EQ(ShellFolderPath(kTestValue), c.expected);
    }

    ASSERT_TRUE(value.Remove());
    EXPECT_EQ(ShellFolderPath(kTestValue), "");
    SetEnvironmentVariableA("HORVANE_TEST_FOLDER", nullptr);
}

TEST_F(ShortcutsTest, CreateFindAndDeleteThroughTheRegistry) {
    ShellFolderValue value(kTestValue);
    ASSERT_TRUE(value.SetText(REG_SZ, folder_.path()));
    const std::string linkPath = InFolder(kLinkName);

    EXPECT_EQ(AutoSyncShortcutPath(kTestValue), linkPath);
    EXPECT_FALSE(AutoSyncShortcutExists(kTestValue));

    CreateAutoSyncShortcut(kTestValue);
    EXPECT_TRUE(AutoSyncShortcutExists(kTestValue));
    std::optional<LinkFields> read = ReadLink(linkPath);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->targetPath, RunDirectory() + "\\" + ExecutableName());
    EXPECT_EQ(read->arguments, "auto");
    EXPECT_EQ(read->workingDirectory, RunDirectory());
    EXPECT_EQ(read->description, kDescription);
    EXPECT_EQ(read->showCommand, SW_SHOW);

    DeleteAutoSyncShortcut(kTestValue);
    EXPECT_FALSE(EntryExists(linkPath));
    EXPECT_FALSE(AutoSyncShortcutExists(kTestValue));
    DeleteAutoSyncShortcut(kTestValue);  // nothing left to delete: no harm done
    EXPECT_FALSE(AutoSyncShortcutExists(kTestValue));
}

TEST_F(ShortcutsTest, AFolderOfTheShortcutsNameCountsAndStays) {
    ShellFolderValue value(kTestValue);
    ASSERT_TRUE(value.SetText(REG_SZ, folder_.path()));
    const std::string linkPath = InFolder(kLinkName);
    ASSERT_TRUE(CreateDirectoryA(linkPath.c_str(), nullptr));

    EXPECT_TRUE(AutoSyncShortcutExists(kTestValue));
    DeleteAutoSyncShortcut(kTestValue);
    EXPECT_TRUE(IsFolder(linkPath));
    EXPECT_TRUE(AutoSyncShortcutExists(kTestValue));
}

TEST_F(ShortcutsTest, UnknownFolderMeansNoShortcut) {
    // With the current directory in the temporary folder's drive, a path built from an empty
    // folder would be that drive's root.
    char previous[MAX_PATH];
    ASSERT_NE(GetCurrentDirectoryA(MAX_PATH, previous), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(folder_.path().c_str()));
    const std::string rootLink = folder_.path().substr(0, 2) + "\\" + kLinkName;
    const bool rootLinkWasThere = EntryExists(rootLink);

    ShellFolderValue value(kTestValue);
    ASSERT_TRUE(value.Remove());
    EXPECT_EQ(AutoSyncShortcutPath(kTestValue), "");
    CreateAutoSyncShortcut(kTestValue);
    EXPECT_EQ(EntryExists(rootLink), rootLinkWasThere);

    if (!rootLinkWasThere && WriteFileBytes(rootLink, "x")) {
        EXPECT_FALSE(AutoSyncShortcutExists(kTestValue));
        DeleteAutoSyncShortcut(kTestValue);
        EXPECT_TRUE(EntryExists(rootLink));
        DeleteFileA(rootLink.c_str());
    }

    ASSERT_TRUE(value.SetText(REG_SZ, ""));
    EXPECT_EQ(AutoSyncShortcutPath(kTestValue), "");
    EXPECT_FALSE(AutoSyncShortcutExists(kTestValue));

    SetCurrentDirectoryA(previous);
}

TEST_F(ShortcutsTest, CheckBoxClickCreatesOrDeletes) {
    // The user's real Startup value, put back afterwards.
    ShellFolderValue value("Startup");
    ASSERT_TRUE(value.SetText(REG_SZ, folder_.path()));
    const std::string linkPath = InFolder(kLinkName);

    HWND box = CreateWindowExA(0, "BUTTON", "box", BS_AUTOCHECKBOX, 0, 0, 10, 10, HWND_MESSAGE,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(box, nullptr);

    SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);
    OnShortcutCheckBoxClicked(box, "Startup");
    EXPECT_TRUE(EntryExists(linkPath));
    EXPECT_TRUE(ReadLink(linkPath).has_value());

    SendMessageA(box, BM_SETCHECK, BST_UNCHECKED, 0);
    OnShortcutCheckBoxClicked(box, "Startup");
    EXPECT_FALSE(EntryExists(linkPath));

    DestroyWindow(box);
}

}  // namespace
}  // namespace horvane
