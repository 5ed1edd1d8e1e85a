#include "app/display.h"

#include <string>

#include "app/main_window.h"
#include "app/sync.h"
#include "net/daytime_client.h"
#include "net/reply.h"
#include "time/clock.h"
#include "time/date_time.h"

namespace horvane {

void OnNetworkTimeArrived() {
    MainWindow& window = TheMainWindow();
    window.网络时间.SetCaption(std::string(kNetworkTimePrefix) + FormatDateTime(NetworkTime));
    window.同步.SetEnabled(true);
    if (IsAutoMode()) AutoSyncAndExit();
}

void OnDisplayTick() {
    MainWindow& window = TheMainWindow();
    window.本地时间.SetCaption(std::string(kLocalTimePrefix) + FormatDateTime(LocalClockNow()));
    // The network time counts as known once its line no longer shows the waiting text.
    if (window.网络时间.Caption() == kNetworkTimeWaiting) return;
    const DateTime network = AddSeconds(LocalClockNow(), TruncatedSeconds(ClockOffset));
    window.网络时间.SetCaption(std::string(kNetworkTimePrefix) + FormatDateTime(network));
}

void OnRecalibrateTick() {
    MainWindow& window = TheMainWindow();
    StartFetch(window.客户1, window.Servers());
}

}  // namespace horvane
