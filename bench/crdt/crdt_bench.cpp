// Replays the editing traces into a text object and measures the document's everyday work:
// map puts, list appends and whole-document reads.
//
// Memory: the heap held by the finished document (`held_mb`) and the peak heap growth during the
// replay (`peak_mb`), counted at operator new.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>

#include "platform/crdt/document.h"
#include "alloc_meter.h"
#include "trace.h"

namespace {

using crdt::Document;

const bench::Trace& trace(const std::string& name)
{
    static std::map<std::string, bench::Trace> cache;
    auto it = cache.find(name);
    if (it == cache.end()) {
        auto loaded = bench::load_trace(bench::trace_dir() + "/" + name + ".json.gz");
        if (!loaded) {
            std::fprintf(stderr, "%s\n", loaded.error().message.c_str());
            std::exit(1);
        }
        it = cache.emplace(name, std::move(*loaded)).first;
    }
    return it->second;
}

enum class Commits { EachPatch, Once };

Document replay(const bench::Trace& t, Commits commits, crdt::ObjId& text)
{
    Document doc;
    text = doc.put_object(crdt::root, "text", crdt::ObjType::Text).value();
    doc.commit();
    for (const auto& txn : t.txns) {
        for (const auto& p : txn)
            if (!doc.splice_text(text, p.pos, p.del, p.insert))
                std::abort();
        if (commits == Commits::EachPatch)
            doc.commit();
    }
    doc.commit();
    return doc;
}

void BM_Replay(benchmark::State& state, const std::string& name, Commits commits)
{
    const auto& t = trace(name);
    std::size_t saved = 0;
    double peak_mb = 0;
    double held_mb = 0;
    bool verified = false;
    for (auto _ : state) {
        bench::reset_peak();
        std::size_t before = bench::live_bytes();
        crdt::ObjId text;
        Document doc = replay(t, commits, text);
        state.PauseTiming();
        peak_mb = static_cast<double>(bench::peak_bytes() - before) / (1024.0 * 1024.0);
        held_mb = static_cast<double>(bench::live_bytes() - before) / (1024.0 * 1024.0);
        if (!verified) {
            verified = doc.text(text) == t.end_content;
            if (!verified)
                state.SkipWithError("final text differs from the trace's");
        }
        saved = doc.save().size();
        state.ResumeTiming();
    }
    state.counters["patches"] = static_cast<double>(t.patch_count);
    state.counters["save_bytes"] = static_cast<double>(saved);
    state.counters["peak_mb"] = peak_mb;
    state.counters["held_mb"] = held_mb;
}

void BM_Load(benchmark::State& state, const std::string& name, Commits commits)
{
    crdt::ObjId text;
    Document doc = replay(trace(name), commits, text);
    auto bytes = doc.save();
    for (auto _ : state) {
        auto loaded = Document::load(bytes);
        if (!loaded) {
            state.SkipWithError(loaded.error().message.c_str());
            break;
        }
        if (loaded->length(text) != trace(name).end_content.size()) {
            state.SkipWithError("loaded text has the wrong length");
            break;
        }
        benchmark::DoNotOptimize(loaded);
    }
    state.counters["save_bytes"] = static_cast<double>(bytes.size());
}

// Load followed by the first heads query, which recomputes every change hash.
void BM_LoadAndHeads(benchmark::State& state, const std::string& name, Commits commits)
{
    crdt::ObjId text;
    Document doc = replay(trace(name), commits, text);
    auto bytes = doc.save();
    auto heads = doc.get_heads();
    for (auto _ : state) {
        auto loaded = Document::load(bytes);
        if (!loaded || loaded->get_heads() != heads) {
            state.SkipWithError("heads differ after load");
            break;
        }
    }
}

void BM_MapPuts(benchmark::State& state)
{
    for (auto _ : state) {
        Document doc;
        for (int i = 0; i < 100000; ++i)
            (void)doc.put(crdt::root, "key" + std::to_string(i % 5000), std::int64_t{i});
        doc.commit();
        benchmark::DoNotOptimize(doc);
    }
    state.SetItemsProcessed(state.iterations() * 100000);
}

void BM_ListAppendsOfMaps(benchmark::State& state)
{
    for (auto _ : state) {
        Document doc;
        auto list = doc.put_object(crdt::root, "messages", crdt::ObjType::List).value();
        for (std::size_t i = 0; i < 100000; ++i) {
            auto m = doc.insert_object(list, i, crdt::ObjType::Map).value();
            (void)doc.put(m, "id", std::string("m") + std::to_string(i));
            (void)doc.put(m, "ts", std::int64_t(i));
            if (i % 100 == 99)
                doc.commit();
        }
        doc.commit();
        benchmark::DoNotOptimize(doc);
    }
    state.SetItemsProcessed(state.iterations() * 100000);
}

Document message_document(std::size_t messages)
{
    Document doc;
    auto list = doc.put_object(crdt::root, "messages", crdt::ObjType::List).value();
    for (std::size_t i = 0; i < messages; ++i) {
        auto m = doc.insert_object(list, i, crdt::ObjType::Map).value();
        (void)doc.put(m, "id", std::string("m") + std::to_string(i));
        (void)doc.put(m, "author", std::string("person") + std::to_string(i % 7));
        (void)doc.put(m, "ts", std::int64_t(1700000000 + i));
        auto text = doc.put_object(m, "text", crdt::ObjType::Text).value();
        (void)doc.splice_text(text, 0, 0, "a chat message of ordinary length, " + std::to_string(i));
        doc.commit(static_cast<std::int64_t>(i));
    }
    return doc;
}

// Opening a long-lived workspace: 100,000 messages, one change each.
void BM_LoadMessages(benchmark::State& state)
{
    auto bytes = message_document(100000).save();
    for (auto _ : state) {
        auto loaded = Document::load(bytes);
        if (!loaded)
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(loaded);
    }
    state.counters["save_bytes"] = static_cast<double>(bytes.size());
}

// Reads a workspace-like document completely, as a projection does every changed frame.
void BM_ReadAll(benchmark::State& state)
{
    Document doc;
    auto channels = doc.put_object(crdt::root, "channels", crdt::ObjType::Map).value();
    for (int c = 0; c < 100; ++c) {
        auto ch = doc.put_object(channels, "c" + std::to_string(c), crdt::ObjType::Map).value();
        for (int m = 0; m < 100; ++m) {
            auto msg = doc.put_object(ch, "m" + std::to_string(m), crdt::ObjType::Map).value();
            (void)doc.put(msg, "author", std::string("someone"));
            (void)doc.put(msg, "ts", std::int64_t{m});
            auto text = doc.put_object(msg, "text", crdt::ObjType::Text).value();
            (void)doc.splice_text(text, 0, 0, "a short chat message");
        }
    }
    doc.commit();
    std::size_t values = 0;
    for (auto _ : state) {
        values = 0;
        for (const auto& ck : doc.keys(channels)) {
            auto ch = doc.get(channels, ck)->object()->id;
            for (const auto& mk : doc.keys(ch)) {
                auto msg = doc.get(ch, mk)->object()->id;
                benchmark::DoNotOptimize(doc.get(msg, "author"));
                benchmark::DoNotOptimize(doc.get(msg, "ts"));
                benchmark::DoNotOptimize(doc.text(doc.get(msg, "text")->object()->id));
                values += 3;
            }
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * values));
}

void register_all()
{
    for (std::string name : {"automerge-paper", "seph-blog1"}) {
        for (auto [mode, commits] : {std::pair{"commit_each", Commits::EachPatch}, std::pair{"commit_once", Commits::Once}}) {
            benchmark::RegisterBenchmark(("replay/" + name + "/" + mode).c_str(), BM_Replay, name, commits)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(3);
            benchmark::RegisterBenchmark(("load/" + name + "/" + mode).c_str(), BM_Load, name, commits)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(5);
            benchmark::RegisterBenchmark(("load_and_heads/" + name + "/" + mode).c_str(), BM_LoadAndHeads, name, commits)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(3);
        }
    }
    benchmark::RegisterBenchmark("map_puts_100k", BM_MapPuts)->Unit(benchmark::kMillisecond)->Iterations(3);
    benchmark::RegisterBenchmark("list_appends_of_maps_100k", BM_ListAppendsOfMaps)->Unit(benchmark::kMillisecond)->Iterations(3);
    benchmark::RegisterBenchmark("read_all_10k_messages", BM_ReadAll)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("load_100k_messages", BM_LoadMessages)->Unit(benchmark::kMillisecond)->Iterations(3);
}

} // namespace

int main(int argc, char** argv)
{
    register_all();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
