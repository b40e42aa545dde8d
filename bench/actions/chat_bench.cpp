// Encoding and decoding a SendMessage with a 1 KiB text, beside RapidJSON parsing the same
// bytes into nothing (its raw rate, the floor any decoder built on it has to stand on) and into
// a DOM. Prints records per second and the ratio to the raw parse at the end.

#include "actions/record_codec.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <rapidjson/document.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>
#include <string>

namespace {

using namespace chat::actions;

ChatAction sample_action()
{
    std::string text;
    while (text.size() < 1024)
        text += "Les réunions du lundi \"déplacées\" à 10:00, voir le fil. ";
    text.resize(1024);
    return SendMessage{.channel = "c_general",
                       .id = "m_4f1c2b7a9d3e4b0c8a6f5e1d2c3b4a59",
                       .author = "u_0123456789abcdef",
                       .ts = 1765432100,
                       .text = text,
                       .mentions = {Mention{.user = "u_ana", .start = 12, .len = 4}}};
}

const ChatAction action = sample_action();
const std::string payload = to_json(action);

void encode(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(to_json(action));
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(payload.size()));
}

void decode(benchmark::State& state)
{
    for (auto _ : state) {
        auto decoded = from_json<ChatAction>(payload);
        if (!decoded)
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(decoded);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(payload.size()));
}

void encode_and_decode(benchmark::State& state)
{
    for (auto _ : state) {
        auto decoded = from_json<ChatAction>(to_json(action));
        benchmark::DoNotOptimize(decoded);
    }
    state.SetItemsProcessed(state.iterations());
}

// The same reader flags as the decoder: iterative, validating UTF-8.
void rapidjson_raw_parse(benchmark::State& state)
{
    constexpr unsigned flags =
        rapidjson::kParseIterativeFlag | rapidjson::kParseValidateEncodingFlag;
    for (auto _ : state) {
        rapidjson::MemoryStream stream(payload.data(), payload.size());
        rapidjson::BaseReaderHandler<> handler;
        rapidjson::Reader reader;
        benchmark::DoNotOptimize(reader.Parse<flags>(stream, handler));
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(payload.size()));
}

void rapidjson_dom_parse(benchmark::State& state)
{
    constexpr unsigned flags =
        rapidjson::kParseIterativeFlag | rapidjson::kParseValidateEncodingFlag;
    for (auto _ : state) {
        rapidjson::Document document;
        document.Parse<flags>(payload.data(), payload.size());
        benchmark::DoNotOptimize(document.HasParseError());
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(encode);
BENCHMARK(decode);
BENCHMARK(encode_and_decode);
BENCHMARK(rapidjson_raw_parse);
BENCHMARK(rapidjson_dom_parse);

// Keeps each benchmark's rate so the summary can set them side by side.
class RateReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            // CPU time, so that other work on a shared machine does not skew the ratios.
            if (run.iterations > 0 && run.cpu_accumulated_time > 0)
                m_rates[run.benchmark_name()] =
                    static_cast<double>(run.iterations) / run.cpu_accumulated_time;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double rate(const std::string& name) const
    {
        auto found = m_rates.find(name);
        return found == m_rates.end() ? 0.0 : found->second;
    }

  private:
    std::map<std::string, double> m_rates;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double raw = reporter.rate("rapidjson_raw_parse");
    std::printf("\nSendMessage with a 1 KiB text (%zu bytes of JSON)\n", payload.size());
    auto line = [&](const char* label, const char* name) {
        const double r = reporter.rate(name);
        std::printf("  %-30s %12.0f records/s  %5.2fx the raw parse\n", label, r,
                    raw > 0 ? r / raw : 0.0);
    };
    std::printf("  %-30s %12.0f documents/s\n", "RapidJSON raw parse (peer)", raw);
    line("RapidJSON DOM parse", "rapidjson_dom_parse");
    line("decode", "decode");
    line("encode", "encode");
    line("encode + decode", "encode_and_decode");
    benchmark::Shutdown();
    return 0;
}
