// Window probe for the end-to-end tests: starts Horvane, reads its windows from outside
// (window tree, texts, states, shape) and nudges it (show, post, send, message-box OK).
//
//   probe serve              one command per line on stdin (arguments separated by tabs),
//                            one JSON line per command on stdout
//   probe <command> [args]   one command from the command line
//
// Commands:
//   run <exe> [<command-line tail> [<working folder>]]   -> {"pid":N}
//   wait <pid> <ms>          -> {"exited":true,"code":N} or {"exited":false}
//   kill <pid>               TerminateProcess, then waits up to 5 s for the end
//   windows <pid>            every top-level window of the process
//   tree <pid>               the main window with its children in z-order
//   msgbox <pid>             the process's dialog boxes (#32770) with their controls
//   msgbox-ok <pid>          presses OK on the process's first visible dialog box
//   show <hwnd> <cmd>        ShowWindowAsync
//   post <hwnd> <msg> <wparam> <lparam>
//   send <hwnd> <msg> <wparam> <lparam>   (SendMessageTimeout, 3 s)
//   window <hwnd>            one child window: class, texts, place, states
//   hit <x> <y>              the window at a screen point, with its process id
//   quit                     (serve mode) ends the probe
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace horvane::e2e {
namespace {

// Owns a kernel handle; copying is not allowed, moving is.
class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    HANDLE get() const { return handle_; }
    void reset() {
        if (handle_ != nullptr) CloseHandle(handle_);
        handle_ = nullptr;
    }

  private:
    HANDLE handle_ = nullptr;
};

// Owns a GDI region.
class UniqueRegion {
  public:
    UniqueRegion() : region_(CreateRectRgn(0, 0, 0, 0)) {}
    ~UniqueRegion() {
        if (region_ != nullptr) DeleteObject(region_);
    }
    UniqueRegion(const UniqueRegion&) = delete;
    UniqueRegion& operator=(const UniqueRegion&) = delete;
    HRGN get() const { return region_; }

  private:
    HRGN region_;
};

// Processes started by `run`, kept so that their exit codes stay readable.
std::map<DWORD, UniqueHandle> g_started;

const DWORD kMessageTimeoutMs = 3000;

// ---- JSON output -------------------------------------------------------------------------

std::string Quote(const std::string& utf8) {
    std::string out = "\"";
    for (unsigned char c : utf8) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
            out += buffer;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string Hex(const std::string& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out;
}

std::string Number(long long value) { return std::to_string(value); }
std::string Bool(bool value) { return value ? "true" : "false"; }
std::string HandleNumber(HWND hwnd) {
    return std::to_string(static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(hwnd)));
}

// A JSON object built field by field.
class Object {
  public:
    Object& Add(const std::string& key, const std::string& rawValue) {
        text_ += text_.empty() ? "{" : ",";
        text_ += Quote(key) + ":" + rawValue;
        return *this;
    }
    std::string str() const { return text_.empty() ? "{}" : text_ + "}"; }

  private:
    std::string text_;
};

std::string Array(const std::vector<std::string>& items) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0) out += ",";
        out += items[i];
    }
    return out + "]";
}

void WriteLine(const std::string& line) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    std::string data = line + "\n";
    DWORD written = 0;
    WriteFile(out, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    FlushFileBuffers(out);
}

std::string Error(const std::string& message) {
    return Object().Add("ok", "false").Add("error", Quote(message)).str();
}

// ---- Reading windows ---------------------------------------------------------------------

std::string ToUtf8(const std::wstring& wide) {
    if (wide.empty()) return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

std::string ClassOf(HWND hwnd) {
    char name[256] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

// The window text as the window itself answers WM_GETTEXT (in the ANSI code page and in
// UTF-8); when the window does not answer in time, the text the system keeps for it.
void AddTexts(Object& object, HWND hwnd) {
    std::vector<char> ansi(8192, '\0');
    DWORD_PTR copied = 0;
    bool answered =
        SendMessageTimeoutA(hwnd, WM_GETTEXT, ansi.size(), reinterpret_cast<LPARAM>(ansi.data()),
                            SMTO_NORMAL, kMessageTimeoutMs, &copied) != 0;
    std::vector<wchar_t> wide(8192, L'\0');
    DWORD_PTR copiedWide = 0;
    answered = answered && SendMessageTimeoutW(hwnd, WM_GETTEXT, wide.size(),
                                               reinterpret_cast<LPARAM>(wide.data()), SMTO_NORMAL,
                                               kMessageTimeoutMs, &copiedWide) != 0;
    if (!answered) {
        int length = InternalGetWindowText(hwnd, wide.data(), static_cast<int>(wide.size()));
        copiedWide = length > 0 ? static_cast<DWORD_PTR>(length) : 0;
        int bytes =
            WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(copiedWide), ansi.data(),
                                static_cast<int>(ansi.size()), nullptr, nullptr);
        copied = bytes > 0 ? static_cast<DWORD_PTR>(bytes) : 0;
    }
    std::string bytes(ansi.data(), copied < ansi.size() ? copied : ansi.size());
    std::wstring text(wide.data(), copiedWide < wide.size() ? copiedWide : wide.size());
    object.Add("text_hex", Quote(Hex(bytes)))
        .Add("text", Quote(ToUtf8(text)))
        .Add("text_source", Quote(answered ? "WM_GETTEXT" : "internal"));
}

std::string RectJson(const RECT& rect) {
    return Object()
        .Add("x", Number(rect.left))
        .Add("y", Number(rect.top))
        .Add("w", Number(rect.right - rect.left))
        .Add("h", Number(rect.bottom - rect.top))
        .str();
}

// The rectangles of the window's shape in window coordinates, or null without one.
std::string RegionJson(HWND hwnd) {
    UniqueRegion region;
    if (region.get() == nullptr) return "null";
    int kind = GetWindowRgn(hwnd, region.get());
    if (kind == ERROR) return "null";
    DWORD size = GetRegionData(region.get(), 0, nullptr);
    if (size == 0) return "[]";
    std::vector<unsigned char> buffer(size);
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    if (GetRegionData(region.get(), size, data) == 0) return "null";
    const auto* rects = reinterpret_cast<const RECT*>(data->Buffer);
    std::vector<std::string> items;
    for (DWORD i = 0; i < data->rdh.nCount; ++i) {
        items.push_back("[" + Number(rects[i].left) + "," + Number(rects[i].top) + "," +
                        Number(rects[i].right) + "," + Number(rects[i].bottom) + "]");
    }
    return Array(items);
}

std::string ChildJson(HWND parent, HWND child) {
    Object object;
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    LONG style = GetWindowLongA(child, GWL_STYLE);
    std::string className = ClassOf(child);
    object.Add("hwnd", HandleNumber(child))
        .Add("class", Quote(className))
        .Add("id", Number(GetDlgCtrlID(child)));
    AddTexts(object, child);
    object.Add("rect", RectJson(rect))
        .Add("style", Number(static_cast<unsigned long>(style)))
        .Add("visible", Bool((style & WS_VISIBLE) != 0))
        .Add("enabled", Bool(IsWindowEnabled(child) != FALSE))
        .Add("tabstop", Bool((style & WS_TABSTOP) != 0));
    if (lstrcmpiA(className.c_str(), "Button") == 0) {
        DWORD_PTR check = 0;
        if (SendMessageTimeoutA(child, BM_GETCHECK, 0, 0, SMTO_NORMAL, kMessageTimeoutMs, &check) !=
            0) {
            object.Add("check", Number(static_cast<long long>(check)));
        }
    }
    object.Add("region", RegionJson(child));
    return object.str();
}

std::string TopLevelJson(HWND hwnd, bool withChildren) {
    Object object;
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    RECT client{};
    GetClientRect(hwnd, &client);
    object.Add("hwnd", HandleNumber(hwnd)).Add("class", Quote(ClassOf(hwnd)));
    AddTexts(object, hwnd);
    object.Add("rect", RectJson(rect))
        .Add("client", RectJson(client))
        .Add("style", Number(static_cast<unsigned long>(GetWindowLongA(hwnd, GWL_STYLE))))
        .Add("exstyle", Number(static_cast<unsigned long>(GetWindowLongA(hwnd, GWL_EXSTYLE))))
        .Add("visible", Bool(IsWindowVisible(hwnd) != FALSE))
        .Add("enabled", Bool(IsWindowEnabled(hwnd) != FALSE))
        .Add("iconic", Bool(IsIconic(hwnd) != FALSE))
        .Add("zoomed", Bool(IsZoomed(hwnd) != FALSE))
        .Add("foreground", Bool(GetForegroundWindow() == hwnd))
        .Add("region", RegionJson(hwnd));
    if (withChildren) {
        std::vector<std::string> children;
        for (HWND child = GetWindow(hwnd, GW_CHILD); child != nullptr && children.size() < 200;
             child = GetWindow(child, GW_HWNDNEXT)) {
            children.push_back(ChildJson(hwnd, child));
        }
        object.Add("children", Array(children));
    }
    return object.str();
}

struct Search {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->pid) search->found.push_back(hwnd);
    return TRUE;
}

std::vector<HWND> TopLevelWindows(DWORD pid) {
    Search search{pid, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool IsHelperClass(const std::string& className) {
    for (const char* name : {"#32770", "IME", "MSCTFIME UI", "tooltips_class32"}) {
        if (lstrcmpiA(className.c_str(), name) == 0) return true;
    }
    return false;
}

// The program's own top-level window: not a dialog box, not an input-method or tooltip
// window; the first one with children if there are several.
HWND MainWindowOf(DWORD pid) {
    HWND candidate = nullptr;
    for (HWND hwnd : TopLevelWindows(pid)) {
        if (IsHelperClass(ClassOf(hwnd))) continue;
        if (GetWindow(hwnd, GW_CHILD) != nullptr) return hwnd;
        if (candidate == nullptr) candidate = hwnd;
    }
    return candidate;
}

std::vector<HWND> DialogsOf(DWORD pid) {
    std::vector<HWND> dialogs;
    for (HWND hwnd : TopLevelWindows(pid)) {
        if (ClassOf(hwnd) == "#32770") dialogs.push_back(hwnd);
    }
    return dialogs;
}

// ---- Commands ----------------------------------------------------------------------------

unsigned long long ParseNumber(const std::string& text) {
    return std::strtoull(text.c_str(), nullptr, 0);
}

HWND ParseHwnd(const std::string& text) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(ParseNumber(text)));
}

std::string Run(const std::vector<std::string>& args) {
    if (args.size() < 2) return Error("usage: run <exe> [tail [folder]]");
    std::string commandLine = "\"" + args[1] + "\"";
    if (args.size() > 2 && !args[2].empty()) commandLine += " " + args[2];
    const char* folder = args.size() > 3 && !args[3].empty() ? args[3].c_str() : nullptr;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    if (!CreateProcessA(args[1].c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, folder,
                        &startup, &info)) {
        return Error("CreateProcess failed: " + Number(GetLastError()));
    }
    CloseHandle(info.hThread);
    g_started[info.dwProcessId] = UniqueHandle(info.hProcess);
    return Object().Add("ok", "true").Add("pid", Number(info.dwProcessId)).str();
}

// The handle of a process: the one kept by `run`, or a fresh one.
HANDLE ProcessHandle(DWORD pid, UniqueHandle& opened) {
    auto it = g_started.find(pid);
    if (it != g_started.end()) return it->second.get();
    opened = UniqueHandle(OpenProcess(
        SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, pid));
    return opened.get();
}

std::string Wait(const std::vector<std::string>& args) {
    if (args.size() < 3) return Error("usage: wait <pid> <ms>");
    UniqueHandle opened;
    HANDLE process = ProcessHandle(static_cast<DWORD>(ParseNumber(args[1])), opened);
    if (process == nullptr) return Error("no such process");
    DWORD waited = WaitForSingleObject(process, static_cast<DWORD>(ParseNumber(args[2])));
    if (waited != WAIT_OBJECT_0) return Object().Add("ok", "true").Add("exited", "false").str();
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    return Object().Add("ok", "true").Add("exited", "true").Add("code", Number(code)).str();
}

std::string Kill(const std::vector<std::string>& args) {
    if (args.size() < 2) return Error("usage: kill <pid>");
    UniqueHandle opened;
    HANDLE process = ProcessHandle(static_cast<DWORD>(ParseNumber(args[1])), opened);
    if (process == nullptr) return Error("no such process");
    TerminateProcess(process, 1);
    bool ended = WaitForSingleObject(process, 5000) == WAIT_OBJECT_0;
    return Object().Add("ok", "true").Add("ended", Bool(ended)).str();
}

std::string Windows(const std::vector<std::string>& args) {
    if (args.size() < 2) return Error("usage: windows <pid>");
    std::vector<std::string> items;
    for (HWND hwnd : TopLevelWindows(static_cast<DWORD>(ParseNumber(args[1])))) {
        items.push_back(TopLevelJson(hwnd, false));
    }
    return Object().Add("ok", "true").Add("windows", Array(items)).str();
}

std::string Tree(const std::vector<std::string>& args) {
    if (args.size() < 2) return Error("usage: tree <pid>");
    HWND hwnd = MainWindowOf(static_cast<DWORD>(ParseNumber(args[1])));
    if (hwnd == nullptr) return Object().Add("ok", "true").Add("found", "false").str();
    return Object()
        .Add("ok", "true")
        .Add("found", "true")
        .Add("window", TopLevelJson(hwnd, true))
        .str();
}

std::string MessageBoxes(const std::vector<std::string>& args) {
    if (args.size() < 2) return Error("usage: msgbox <pid>");
    std::vector<std::string> items;
    for (HWND dialog : DialogsOf(static_cast<DWORD>(ParseNumber(args[1])))) {
        items.push_back(TopLevelJson(dialog, true));
    }
    return Object().Add("ok", "true").Add("dialogs", Array(items)).str();
}

std::string MessageBoxOk(const std::vector<std::string>& args) {
    if (args.size() < 2) return Error("usage: msgbox-ok <pid>");
    for (HWND dialog : DialogsOf(static_cast<DWORD>(ParseNumber(args[1])))) {
        if (!IsWindowVisible(dialog)) continue;
        HWND ok = GetDlgItem(dialog, IDOK);
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(ok));
        return Object().Add("ok", "true").Add("hwnd", HandleNumber(dialog)).str();
    }
    return Error("no visible dialog box");
}

std::string Show(const std::vector<std::string>& args) {
    if (args.size() < 3) return Error("usage: show <hwnd> <cmd>");
    BOOL result = ShowWindowAsync(ParseHwnd(args[1]), static_cast<int>(ParseNumber(args[2])));
    return Object().Add("ok", "true").Add("result", Number(result)).str();
}

std::string Post(const std::vector<std::string>& args) {
    if (args.size() < 5) return Error("usage: post <hwnd> <msg> <wparam> <lparam>");
    BOOL result = PostMessageA(ParseHwnd(args[1]), static_cast<UINT>(ParseNumber(args[2])),
                               static_cast<WPARAM>(ParseNumber(args[3])),
                               static_cast<LPARAM>(ParseNumber(args[4])));
    return Object().Add("ok", Bool(result != FALSE)).str();
}

std::string Send(const std::vector<std::string>& args) {
    if (args.size() < 5) return Error("usage: send <hwnd> <msg> <wparam> <lparam>");
    DWORD_PTR answer = 0;
    LRESULT result = SendMessageTimeoutA(
        ParseHwnd(args[1]), static_cast<UINT>(ParseNumber(args[2])),
        static_cast<WPARAM>(ParseNumber(args[3])), static_cast<LPARAM>(ParseNumber(args[4])),
        SMTO_NORMAL, kMessageTimeoutMs, &answer);
    return Object()
        .Add("ok", Bool(result != 0))
        .Add("result", Number(static_cast<long long>(answer)))
        .str();
}

std::string Window(const std::vector<std::string>& args) {
    if (args.size() < 2) return Error("usage: window <hwnd>");
    HWND hwnd = ParseHwnd(args[1]);
    if (!IsWindow(hwnd)) return Object().Add("ok", "true").Add("found", "false").str();
    return Object()
        .Add("ok", "true")
        .Add("found", "true")
        .Add("window", ChildJson(GetAncestor(hwnd, GA_PARENT), hwnd))
        .str();
}

std::string Hit(const std::vector<std::string>& args) {
    if (args.size() < 3) return Error("usage: hit <x> <y>");
    POINT point{static_cast<LONG>(std::strtol(args[1].c_str(), nullptr, 0)),
                static_cast<LONG>(std::strtol(args[2].c_str(), nullptr, 0))};
    HWND hwnd = WindowFromPoint(point);
    Object object;
    object.Add("ok", "true").Add("hwnd", HandleNumber(hwnd));
    if (hwnd != nullptr) {
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        object.Add("class", Quote(ClassOf(hwnd)))
            .Add("pid", Number(pid))
            .Add("root", HandleNumber(GetAncestor(hwnd, GA_ROOT)));
    }
    return object.str();
}

std::string Dispatch(const std::vector<std::string>& args) {
    if (args.empty()) return Error("empty command");
    const std::string& command = args[0];
    if (command == "run") return Run(args);
    if (command == "wait") return Wait(args);
    if (command == "kill") return Kill(args);
    if (command == "windows") return Windows(args);
    if (command == "tree") return Tree(args);
    if (command == "msgbox") return MessageBoxes(args);
    if (command == "msgbox-ok") return MessageBoxOk(args);
    if (command == "show") return Show(args);
    if (command == "post") return Post(args);
    if (command == "send") return Send(args);
    if (command == "window") return Window(args);
    if (command == "hit") return Hit(args);
    return Error("unknown command: " + command);
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> parts;
    std::string current;
    for (char c : line) {
        if (c == '\t') {
            parts.push_back(current);
            current.clear();
        } else if (c != '\r') {
            current += c;
        }
    }
    parts.push_back(current);
    return parts;
}

// Reads one line from stdin; false at the end of the input.
bool ReadLine(std::string& line) {
    line.clear();
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    for (int count = 0; count < 65536; ++count) {
        char c = 0;
        DWORD got = 0;
        if (!ReadFile(in, &c, 1, &got, nullptr) || got == 0) return !line.empty();
        if (c == '\n') return true;
        line += c;
    }
    return true;
}

int Serve() {
    std::string line;
    while (ReadLine(line)) {
        if (line.empty()) continue;
        std::vector<std::string> args = SplitTabs(line);
        if (args[0] == "quit") {
            WriteLine(Object().Add("ok", "true").str());
            break;
        }
        WriteLine(Dispatch(args));
    }
    return 0;
}

}  // namespace
}  // namespace horvane::e2e

int main(int argc, char** argv) {
    using namespace horvane::e2e;
    if (argc < 2) {
        WriteLine(Error("usage: probe serve | probe <command> [args...]"));
        return 2;
    }
    if (std::string(argv[1]) == "serve") return Serve();
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args[0] == "run" && args.size() >= 2) {
        // Single-shot form: start, wait (up to the time in HORVANE_PROBE_WAIT_MS, 60 s by
        // default) and print the exit code.
        std::string started = Run(args);
        WriteLine(started);
        const char* limit = std::getenv("HORVANE_PROBE_WAIT_MS");
        std::string ms = limit != nullptr ? limit : "60000";
        for (auto& [pid, handle] : g_started) WriteLine(Wait({"wait", std::to_string(pid), ms}));
        return 0;
    }
    std::string result = Dispatch(args);
    WriteLine(result);
    return result.find("\"ok\":false") == std::string::npos ? 0 : 1;
}
