#include "modules/vnc/VNC_MenuModule.h"
#include "platform/statusbar/StatusBarHost.h"

#include <benchmark/benchmark.h>

using namespace orb;

namespace {

QVariantMap vncDefaults(int saved)
{
    QVariantList list;
    for (int i = 0; i < saved; ++i)
        list << QVariantMap{{"name", QStringLiteral("Server %1").arg(i)},
                            {"url", QStringLiteral("vnc://server%1.example:%2").arg(i).arg(5900 + i)},
                            {"menu", true}};
    return {{"PrefName", "VNC"}, {"Vnc_AddMenuOpenAll", true}, {"Vnc_ClientSortArray", list}};
}

VncServiceList network(int count, int shift)
{
    VncServiceList list;
    for (int i = 0; i < count; ++i)
        list.append({QStringLiteral("Mac %1").arg(i + shift), QStringLiteral("192.168.1.%1").arg(10 + i), 5900,
                     QStringLiteral("mac%1.local").arg(i)});
    return list;
}

} // namespace

// The per-pass redraw of the screen-sharing item with nothing changed (its menu closed).
static void BM_VncPassRedraw(benchmark::State &state)
{
    OffscreenHost host;
    VNC_MenuModule item(nullptr);
    item.setMyDefaults(vncDefaults(10));
    item.initDrawStatusBar(host);
    item.changeNsBrowser(network(4, 0));
    for (auto _ : state)
        item.cycleStatusMenu();
}
BENCHMARK(BM_VncPassRedraw);

// A change on the local network: the server sections rebuilt (4 found, 10 saved, open-all).
static void BM_VncServiceChange(benchmark::State &state)
{
    OffscreenHost host;
    VNC_MenuModule item(nullptr);
    item.setMyDefaults(vncDefaults(10));
    item.initDrawStatusBar(host);
    int shift = 0;
    for (auto _ : state)
        item.changeNsBrowser(network(4, ++shift % 2));
}
BENCHMARK(BM_VncServiceChange)->Unit(benchmark::kMicrosecond);
