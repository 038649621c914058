// Time to export a list of 10,000 messages to an HTML file, the way the Save
// messages as HTML command does it: render the page, then write the file
// (portable; built natively, run by hand).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "export/message_files.h"

namespace {

std::vector<MessageRecord> sample_messages(int count) {
    std::vector<MessageRecord> messages(count);
    for (int i = 0; i < count; ++i) {
        MessageRecord& m = messages[i];
        m.from = "COMPUTER" + std::to_string(i % 50);
        m.to = "HOST";
        // Typical short messages with a line break and characters to escape.
        m.text = "Meeting at " + std::to_string(i % 24) + ":00 in room <" + std::to_string(i) +
                 ">\r\nBring the notes & the \"draft\".";
        m.arrived = 1007593661 + i;
    }
    return messages;
}

void ListToHtmlFile(benchmark::State& state) {
    const std::vector<MessageRecord> messages = sample_messages(static_cast<int>(state.range(0)));
    std::vector<const MessageRecord*> rows;
    for (auto it = messages.rbegin(); it != messages.rend(); ++it)
        rows.push_back(&*it);
    const std::string path =
        (std::filesystem::temp_directory_path() / "qva_export_benchmark.html").string();
    for (auto _ : state) {
        if (!write_list_html(path.c_str(), rows)) state.SkipWithError("the file was not written");
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::remove(path.c_str());
}
BENCHMARK(ListToHtmlFile)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
