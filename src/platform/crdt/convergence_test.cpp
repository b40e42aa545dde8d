// Replicas that make random edits and exchange changes in any order, grouping and repetition
// end up equal, and equal to a replica loaded from any one of them.

#include <algorithm>

#include <gtest/gtest.h>
#include <rapidcheck.h>
#include <rapidcheck/gtest.h>

#include "platform/crdt/document.h"

namespace crdt {
namespace {

const std::vector<std::string> keys{"a", "b", "c", "\xc3\xa9t\xc3\xa9"};
const std::vector<std::string> snippets{"x", "yz", "\xe2\x86\x92", "\xf0\x9f\x99\x82", "hello ", ""};

void collect_objects(const Document& doc, const ObjId& obj, std::vector<ObjectRef>& out)
{
    auto visit = [&](const std::vector<Value>& values) {
        for (const Value& v : values)
            if (auto* ref = v.object()) {
                out.push_back(*ref);
                collect_objects(doc, ref->id, out);
            }
    };
    auto type = doc.object_type(obj);
    if (type == ObjType::Map)
        for (const auto& k : doc.keys(obj))
            visit(doc.get_all(obj, k));
    else if (type == ObjType::List)
        for (std::size_t i = 0; i < doc.length(obj); ++i)
            visit(doc.get_all(obj, i));
}

Scalar random_scalar()
{
    switch (*rc::gen::inRange(0, 6)) {
    case 0: return *rc::gen::elementOf(snippets);
    case 1: return std::int64_t{*rc::gen::inRange(-3, 3)};
    case 2: return *rc::gen::arbitrary<bool>();
    case 3: return Null{};
    case 4: return Counter{*rc::gen::inRange(0, 5)};
    default: return 0.5;
    }
}

ObjType random_type()
{
    return *rc::gen::element(ObjType::Map, ObjType::List, ObjType::Text);
}

// One random local edit; failures of out-of-range choices are part of the game.
void random_edit(Document& doc)
{
    std::vector<ObjectRef> objects{ObjectRef{ObjType::Map, root}};
    collect_objects(doc, root, objects);
    ObjectRef target = *rc::gen::elementOf(objects);
    std::size_t len = doc.length(target.id);
    auto index = [&](std::size_t extra) { return static_cast<std::size_t>(*rc::gen::inRange<std::size_t>(0, len + extra)); };
    int choice = *rc::gen::inRange(0, 4);
    switch (target.type) {
    case ObjType::Map: {
        const std::string& key = *rc::gen::elementOf(keys);
        if (choice == 0)
            (void)doc.put_object(target.id, key, random_type());
        else if (choice == 1)
            (void)doc.delete_key(target.id, key);
        else if (choice == 2)
            (void)doc.increment(target.id, key, *rc::gen::inRange(-2, 3));
        else
            (void)doc.put(target.id, key, random_scalar());
        break;
    }
    case ObjType::List: {
        if (choice == 0)
            (void)doc.insert_object(target.id, index(1), random_type());
        else if (choice == 1 && len > 0)
            (void)doc.delete_index(target.id, index(0));
        else if (choice == 2 && len > 0)
            (void)doc.set(target.id, index(0), random_scalar());
        else if (choice == 3 && len > 0)
            (void)doc.increment(target.id, index(0), 1);
        else
            (void)doc.insert(target.id, index(1), random_scalar());
        break;
    }
    case ObjType::Text: {
        std::size_t pos = index(0);
        std::size_t del = *rc::gen::inRange<std::size_t>(0, std::min<std::size_t>(len - pos, 3) + 1);
        (void)doc.splice_text(target.id, pos, del, *rc::gen::elementOf(snippets));
        break;
    }
    }
}

// Delivers `bytes` split at change boundaries into shuffled groups, some of them twice.
void deliver_shuffled(Document& to, const Bytes& bytes)
{
    std::vector<Bytes> pieces;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t len = 0;
        int shift = 0;
        std::size_t start = pos;
        while (bytes[pos] & 0x80) {
            len |= static_cast<std::size_t>(bytes[pos++] & 0x7f) << shift;
            shift += 7;
        }
        len |= static_cast<std::size_t>(bytes[pos++]) << shift;
        pos += len;
        pieces.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(start), bytes.begin() + static_cast<std::ptrdiff_t>(pos));
    }
    std::vector<std::size_t> order(pieces.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    if (!order.empty()) {
        auto extra = *rc::gen::container<std::vector<std::size_t>>(*rc::gen::inRange<std::size_t>(0, 3),
                                                                    rc::gen::inRange<std::size_t>(0, order.size()));
        order.insert(order.end(), extra.begin(), extra.end());
    }
    for (std::size_t k = order.size(); k > 1; --k)
        std::swap(order[k - 1], order[*rc::gen::inRange<std::size_t>(0, k)]);
    std::size_t i = 0;
    while (i < order.size()) {
        std::size_t group = *rc::gen::inRange<std::size_t>(1, 4);
        Bytes batch;
        for (std::size_t k = 0; k < group && i < order.size(); ++k, ++i)
            batch.insert(batch.end(), pieces[order[i]].begin(), pieces[order[i]].end());
        auto r = to.apply_changes(batch);
        RC_ASSERT(r.has_value());
    }
}

RC_GTEST_PROP(Convergence, ReplicasAgreeInAnyDeliveryOrder, ())
{
    std::vector<Document> replicas;
    for (std::uint8_t i = 0; i < 3; ++i) {
        ActorId a{};
        a.fill(static_cast<std::uint8_t>(i + 1));
        replicas.emplace_back(a);
    }
    // What each replica looked like before its open transaction: a rollback must restore it.
    std::vector<std::string> clean(3);
    int steps = *rc::gen::inRange(1, 120);
    for (int step = 0; step < steps; ++step) {
        std::size_t who = *rc::gen::inRange<std::size_t>(0, 3);
        if (replicas[who].pending_ops() == 0)
            clean[who] = replicas[who].canonical_dump();
        int what = *rc::gen::inRange(0, 10);
        if (what < 6) {
            random_edit(replicas[who]);
        } else if (what < 8) {
            replicas[who].commit(step);
        } else if (what == 8) {
            replicas[who].rollback();
            RC_ASSERT(replicas[who].canonical_dump() == clean[who]);
        } else {
            std::size_t from = *rc::gen::inRange<std::size_t>(0, 3);
            if (from != who)
                deliver_shuffled(replicas[who], replicas[from].get_changes());
        }
    }
    for (auto& r : replicas)
        r.commit();
    for (std::size_t to = 0; to < 3; ++to)
        for (std::size_t from = 0; from < 3; ++from)
            if (from != to)
                deliver_shuffled(replicas[to], replicas[from].get_changes());
    for (auto& r : replicas) {
        RC_ASSERT(r.queued_changes() == 0u);
        RC_ASSERT(r.get_heads() == replicas[0].get_heads());
        RC_ASSERT(r.canonical_dump() == replicas[0].canonical_dump());
    }
    RC_CLASSIFY(replicas[0].get_heads().size() > 1, "concurrent heads");
    RC_CLASSIFY(replicas[0].canonical_dump().find("text\"") != std::string::npos, "has text");
    RC_CLASSIFY(replicas[0].canonical_dump().find('<') != std::string::npos, "has conflicts");
    std::size_t pick = *rc::gen::inRange<std::size_t>(0, 3);
    auto loaded = Document::load(replicas[pick].save());
    RC_ASSERT(loaded.has_value());
    RC_ASSERT(loaded->canonical_dump() == replicas[0].canonical_dump());
    RC_ASSERT(loaded->get_heads() == replicas[0].get_heads());
    Document merged(loaded->get_actor());
    RC_ASSERT(merged.merge(replicas[(pick + 1) % 3]).has_value());
    RC_ASSERT(merged.canonical_dump() == replicas[0].canonical_dump());
}

// Long editing sessions split the sequence into many chunks; the text must still match a plain
// string model, locally, on a replica fed the changes, and after a reload.
RC_GTEST_PROP(Convergence, LongTextEditsMatchAStringModel, ())
{
    ActorId a{};
    a.fill(1);
    Document doc(a);
    auto text = doc.put_object(root, "t", ObjType::Text).value();
    std::u32string model;
    int steps = *rc::gen::inRange(1, 3000);
    for (int i = 0; i < steps; ++i) {
        std::size_t pos = *rc::gen::inRange<std::size_t>(0, model.size() + 1);
        // Mostly local typing near the previous edit, sometimes a jump or a block deletion.
        std::size_t del = 0;
        if (pos < model.size() && *rc::gen::inRange(0, 4) == 0)
            del = *rc::gen::inRange<std::size_t>(1, std::min<std::size_t>(model.size() - pos, 40) + 1);
        std::u32string ins;
        if (*rc::gen::inRange(0, 3) != 0)
            ins = std::vector<std::u32string>{U"a", U"bc", U"\u00e9", U"\U0001F642", U"long insertion of text "}[static_cast<std::size_t>(*rc::gen::inRange(0, 5))];
        auto utf8 = [](const std::u32string& s) {
            std::string out;
            for (char32_t c : s) {
                if (c < 0x80) {
                    out += static_cast<char>(c);
                } else if (c < 0x800) {
                    out += static_cast<char>(0xc0 | (c >> 6));
                    out += static_cast<char>(0x80 | (c & 0x3f));
                } else {
                    out += static_cast<char>(0xf0 | (c >> 18));
                    out += static_cast<char>(0x80 | ((c >> 12) & 0x3f));
                    out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
                    out += static_cast<char>(0x80 | (c & 0x3f));
                }
            }
            return out;
        };
        RC_ASSERT(doc.splice_text(text, pos, del, utf8(ins)).has_value());
        model.replace(pos, del, ins);
        if (*rc::gen::inRange(0, 5) == 0)
            doc.commit();
        if (*rc::gen::inRange(0, 40) == 0) {
            // A transaction of scattered edits that is abandoned leaves the text as it was.
            doc.commit();
            auto before = doc.text(text);
            int edits = *rc::gen::inRange(1, 6);
            for (int e = 0; e < edits; ++e) {
                std::size_t len = doc.length(text);
                std::size_t p = *rc::gen::inRange<std::size_t>(0, len + 1);
                std::size_t d = p < len ? *rc::gen::inRange<std::size_t>(0, std::min<std::size_t>(len - p, 50) + 1) : 0;
                RC_ASSERT(doc.splice_text(text, p, d, "rolled back \xc3\xa9").has_value());
            }
            doc.rollback();
            RC_ASSERT(doc.text(text) == before);
        }
        if (i == steps - 1) {
            RC_ASSERT(doc.text(text) == utf8(model));
        }
    }
    doc.commit();
    Document replica(ActorId{});
    RC_ASSERT(replica.apply_changes(doc.get_changes()).has_value());
    RC_ASSERT(replica.text(text) == doc.text(text));
    auto loaded = Document::load(doc.save());
    RC_ASSERT(loaded.has_value());
    RC_ASSERT(loaded->text(text) == doc.text(text));
    RC_ASSERT(loaded->length(text) == model.size());
}

} // namespace
} // namespace crdt
