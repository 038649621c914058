// Throughput of the receiving path: parse a datagram, run the three ignore
// filters and the duplicate check, for 10 and 100 entries per list (portable).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "incoming/incoming.h"
#include "settings/options.h"

namespace {

// Refuses every record, so each one is parsed, judged and freed.
class RefusingStore : public MessageStoreLink {
public:
    int insert(MessageRecord*) override { return 0; }
    void pop_up() override {}
};

std::string datagram(const std::string& from, const std::string& to, const std::string& text) {
    return from + '\0' + to + '\0' + text + '\0';
}

// Every list is searched to its end: no entry matches.
void fill_options(int entries) {
    g_options = Options{};
    g_options.iff = g_options.itf = g_options.icf = 1;
    g_options.ppmode = 2;
    g_options.showmmode = 2;
    g_options.dnum = 2;
    for (int i = 0; i < entries; ++i) {
        const std::string n = std::to_string(i);
        g_options.ifl.append_copy("WORKSTATION" + n);
        g_options.itl.append_copy("SERVER" + n);
        g_options.icl.append_copy("advert" + n);
        g_options.ppfroml.append_copy("BOSS" + n);
    }
}

void BM_ParseFilterAndDuplicateCheck(benchmark::State& state) {
    fill_options(static_cast<int>(state.range(0)));
    // Two messages in turn: each differs from the remembered one, the dearest case.
    const std::vector<std::string> datagrams = {
        datagram("ACCOUNTS-PC", "RECEPTION", "The delivery van is waiting at gate two."),
        datagram("ACCOUNTS-PC", "RECEPTION", "The delivery van has left, thank you."),
    };
    RefusingStore store;
    IncomingProcessor processor(store);
    size_t i = 0;
    for (auto _ : state) {
        const std::string& d = datagrams[i++ & 1];
        benchmark::DoNotOptimize(processor.process_incoming(parse_datagram(d.data(), d.size(), 0)));
    }
    state.SetItemsProcessed(state.iterations());
    g_options = Options{};
}

BENCHMARK(BM_ParseFilterAndDuplicateCheck)->Arg(10)->Arg(100);

}  // namespace

BENCHMARK_MAIN();
