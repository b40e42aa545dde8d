// Sends 100,000 messages to one channel through the chat.action handler path (decode, check,
// write, commit one change each), beside the same number of plain CRDT writes of the same text
// (one put and one commit each) measured in the same run. Prints actions per second, the saved
// document's size and the ratio of the two rates.

#include "actions/record_codec.h"
#include "doc/chat_action_payload.h"
#include "doc/seed.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace chat::actions;
using Clock = std::chrono::steady_clock;

constexpr int action_count = 100'000;

std::string text_of(int i)
{
    return "Message number " + std::to_string(i) +
           ": the build is green again, shipping after lunch.";
}

std::vector<std::string> payloads()
{
    std::vector<std::string> out;
    out.reserve(action_count);
    for (int i = 0; i < action_count; ++i) {
        SendMessage send{"c_general", "m_bench_" + std::to_string(i),
                         "u_me",      1765432100 + i,
                         text_of(i),  {},
                         {},          {},
                         {}};
        out.push_back(encode_chat_action(send));
    }
    return out;
}

double seconds_since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

int main()
{
    const auto encoded = payloads();

    crdt::Document doc;
    chat::doc::seed_starter(doc, {"u_me", "Me", "ME", 0, false, chat::doc::Presence::Online});
    doc.commit();
    chat::doc::ActionApplier applier;
    auto start = Clock::now();
    for (int i = 0; i < action_count; ++i) {
        if (!chat::doc::apply_chat_action_payload(doc, encoded[i], applier, i)) {
            std::fprintf(stderr, "payload %d did not decode\n", i);
            return 1;
        }
    }
    const double apply_seconds = seconds_since(start);
    start = Clock::now();
    const auto saved = doc.save();
    const double save_seconds = seconds_since(start);

    crdt::Document raw;
    auto map = raw.put_object(crdt::root, "m", crdt::ObjType::Map).value();
    raw.commit();
    start = Clock::now();
    for (int i = 0; i < action_count; ++i) {
        (void)raw.put(map, "k" + std::to_string(i), crdt::Scalar(text_of(i)));
        raw.commit(i);
    }
    const double raw_seconds = seconds_since(start);
    const auto raw_saved = raw.save();
    benchmark::DoNotOptimize(raw_saved.data());

    const double apply_rate = action_count / apply_seconds;
    const double raw_rate = action_count / raw_seconds;
    std::printf("%-44s %12s %14s\n", "", "per second", "saved bytes");
    std::printf("%-44s %12.0f %14zu\n", "SendMessage via chat.action (100,000)", apply_rate,
                saved.size());
    std::printf("%-44s %12.0f %14zu\n", "plain crdt put + commit (100,000)", raw_rate,
                raw_saved.size());
    std::printf("send / plain put rate: %.3f; save of the sent document: %.1f ms\n",
                apply_rate / raw_rate, save_seconds * 1000);
    return 0;
}
