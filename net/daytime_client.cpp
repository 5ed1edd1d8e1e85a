#include "net/daytime_client.h"

#include <winsock2.h>

#include "net/connect.h"
#include "net/connection_table.h"
#include "net/reply.h"

namespace horvane {
namespace {

constexpr char kWindowClass[] = "HorvaneDaytimeClient";

}  // namespace

DaytimeClient::DaytimeClient() {
    WSADATA data;
    ready_ = WSAStartup(MAKEWORD(1, 1), &data) == 0;

    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &DaytimeClient::WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExA(&windowClass);  // fails harmlessly when a client registered it before
    window_ =
        CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, this);
    table_ = std::make_shared<ConnectionTable>(window_);
}

DaytimeClient::~DaytimeClient() {
    table_->ShutDown();
    if (window_ != nullptr) {
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
    if (ready_) WSACleanup();
}

bool DaytimeClient::ready() const { return ready_ && window_ != nullptr; }

void DaytimeClient::SetDataArrivalHandler(std::function<bool()> handler) {
    dataArrival_ = std::move(handler);
}

std::string DaytimeClient::GetReceivedData() const {
    return received_.empty() ? std::string() : received_.back();
}

bool DaytimeClient::Connect(const std::string& host, int port) {
    if (!ready() || port < 1 || port > 65535) return false;
    const DaytimeServerList one{{host, static_cast<unsigned short>(port)}};
    std::size_t next = 0;
    auto established =
        ConnectFirstOf(one, next, ConnectTimings{},
                       [this](const ConnectAttempt& attempt) { table_->NoteAttempt(attempt); });
    if (!established) return false;
    return table_->Adopt(std::move(established->socket)) != nullptr;
}

std::size_t DaytimeClient::LiveConnections() const { return table_->LiveConnections(); }

void DaytimeClient::RecordAttempts(bool on) { table_->RecordAttempts(on); }

std::vector<ConnectAttempt> DaytimeClient::Attempts() const { return table_->Attempts(); }

LRESULT CALLBACK DaytimeClient::WindowProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    } else if (message == kSocketNotifyMessage) {
        auto* client = reinterpret_cast<DaytimeClient*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (client != nullptr) client->OnSocketNotification(wParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void DaytimeClient::OnSocketNotification(WPARAM socket) {
    // Read and close notifications are handled alike: whatever is pending is read, and a
    // receive that finds the stream's end tells of the close (a stale notification for a
    // socket number that was reused cannot fake one).
    std::optional<LineDelivery> delivery = table_->Gather(static_cast<SOCKET>(socket));
    if (!delivery) return;
    // The table is held by value: the handler may let messages through, and a nested message
    // must not find anything of this event's bookkeeping gone.
    const std::shared_ptr<ConnectionTable> table = table_;
    received_.push_back(std::move(delivery->line));
    bool valid = false;
    try {
        valid = dataArrival_ && dataArrival_();
    } catch (...) {
        valid = false;  // nothing escapes into the window procedure
    }
    received_.pop_back();
    table->Judge(delivery->connection, valid);
}

bool OnDaytimeReply(const DaytimeClient& client) {
    return HandleDaytimeReply(client.GetReceivedData());
}

}  // namespace horvane
