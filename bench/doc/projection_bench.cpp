// The per-frame projection on the demo document and on a generated one of 3 workspaces, 60
// channels and 100,000 messages: the first refresh, an idle refresh (document unchanged; the
// cache answers) beside a full uncached refresh measured in the same run, and a refresh after
// one new message. Then the document store: bytes on disk and the time to open it again.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "doc/access.h"
#include "doc/projection.h"
#include "doc/seed.h"
#include "platform/ui/persist/document_store.h"
#include "platform/util/random.h"

namespace {

using namespace chat::doc;
using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void add_message(crdt::Document& doc, const std::string& channel, int i)
{
    auto list = ensure_list(doc, ensure_map(doc, crdt::root, "messages"), channel);
    auto m = append_map(doc, list).value();
    (void)put_str(doc, m, "id", "m_gen_" + std::to_string(i));
    (void)put_str(doc, m, "author", "u_" + std::to_string(i % 40));
    (void)put_i64(doc, m, "ts", 1765000000 + i);
    (void)put_str(doc, m, "parent", "");
    (void)put_bool(doc, m, "edited", false);
    auto text = ensure_text(doc, m, "text");
    (void)splice(doc, text, 0, 0, "Generated message " + std::to_string(i) + ": the build is green, shipping soon.");
}

crdt::Document generated()
{
    crdt::Document doc;
    for (int w = 0; w < 3; ++w) {
        auto ws = ensure_map(doc, ensure_map(doc, crdt::root, "workspaces"), "ws_" + std::to_string(w));
        (void)put_str(doc, ws, "name", "Workspace " + std::to_string(w));
        (void)put_i64(doc, ws, "order", w);
        for (int c = 0; c < 20; ++c) {
            auto id = "c_" + std::to_string(w) + "_" + std::to_string(c);
            auto channel = ensure_map(doc, ensure_map(doc, crdt::root, "channels"), id);
            (void)put_str(doc, channel, "workspace", "ws_" + std::to_string(w));
            (void)put_str(doc, channel, "name", "channel-" + std::to_string(c));
            (void)put_str(doc, channel, "kind", "text");
            (void)put_i64(doc, channel, "order", c);
        }
    }
    for (int u = 0; u < 40; ++u) {
        auto person = ensure_map(doc, ensure_map(doc, crdt::root, "users"), "u_" + std::to_string(u));
        (void)put_str(doc, person, "name", "Person " + std::to_string(u));
    }
    for (int i = 0; i < 100'000; ++i) {
        add_message(doc, "c_" + std::to_string(i % 3) + "_" + std::to_string((i / 3) % 20), i);
        if (i % 1000 == 999)
            doc.commit();
    }
    doc.commit();
    return doc;
}

void measure(const char* name, crdt::Document& doc, Selection selection, const std::string& channel)
{
    LocalPerson me{"u_me", {}, "Me", "ME", 0};
    ProjectionCache cache;
    auto start = Clock::now();
    cache.refresh(doc, selection, me);
    double first = ms_since(start);

    constexpr int idle_rounds = 1000;
    start = Clock::now();
    for (int i = 0; i < idle_rounds; ++i)
        cache.refresh(doc, selection, me);
    double idle_us = ms_since(start) * 1000 / idle_rounds;

    Projection uncached;
    start = Clock::now();
    auto repaired = selection;
    refresh_projection(doc, repaired, me, uncached);
    double full = ms_since(start);

    add_message(doc, channel, 1'000'000);
    doc.commit();
    start = Clock::now();
    cache.refresh(doc, selection, me);
    double after_new = ms_since(start);

    std::printf("%-28s first %8.2f ms | idle %8.3f us (uncached refresh %8.2f ms, %.0fx) | after one new message %8.2f ms"
                " | %zu messages in view\n",
                name, first, idle_us, full, full * 1000 / std::max(idle_us, 0.001), after_new,
                cache.projection().messages.size());
}

} // namespace

int main()
{
    crdt::Document demo;
    seed_demo(demo);
    demo.commit();
    measure("demo document", demo, Selection{"ws_acme", "ws_acme", "c_crit", std::nullopt}, "c_crit");

    auto start = Clock::now();
    auto big = generated();
    std::printf("generated 100,000 messages in %.0f ms\n", ms_since(start));
    measure("100,000-message document", big, Selection{"ws_0", "ws_0", "c_0_0", std::nullopt}, "c_0_0");

    auto dir = std::filesystem::temp_directory_path() / ("projection-bench-" + util::uuid_v4_hex());
    {
        auto store = ruvo_ui::persist::open(dir, "document");
        if (!store) {
            std::fprintf(stderr, "%s\n", store.error().message.c_str());
            return 1;
        }
        (void)(*store)->document().merge(big);
        (*store)->compact();
        (void)(*store)->flush();
    }
    std::uintmax_t bytes = 0;
    for (auto& entry : std::filesystem::directory_iterator(dir))
        bytes += entry.file_size();
    start = Clock::now();
    auto reopened = ruvo_ui::persist::open(dir, "document");
    double open_ms = ms_since(start);
    std::printf("document store: %ju bytes on disk; open %.1f ms (budget 300 ms); %zu channels with messages\n", bytes,
                open_ms, reopened ? (*reopened)->document().keys(get_map((*reopened)->document(), crdt::root, "messages").value()).size() : 0);
    reopened = {};
    std::filesystem::remove_all(dir);
    return 0;
}
