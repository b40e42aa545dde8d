// Creating, renaming, ordering, archiving and deleting channels and categories.

#include "doc/apply_internal.h"
#include "doc/record_writers.h"
#include "doc/schema.h"

#include <algorithm>
#include <vector>

namespace chat::doc::detail {

namespace {

struct Placed {
    std::string id;
    ObjId map;
    std::uint32_t order = 0;
};

// Orders are 32-bit; a wider stored value counts by its low 32 bits, as everywhere it is shown.
std::uint32_t order_of(const Document& doc, const ObjId& map)
{
    return static_cast<std::uint32_t>(get_i64(doc, map, "order").value_or(0));
}

// The maps of `collection` whose string fields match, in display order: by order, then by key.
std::vector<Placed> placed_in(const Document& doc, std::string_view collection,
                              std::string_view workspace, const std::string_view* category)
{
    std::vector<Placed> out;
    auto parent = get_map(doc, Document::root(), collection);
    if (!parent)
        return out;
    for (auto& id : doc.keys(*parent)) {
        auto map = get_map(doc, *parent, id);
        if (!map || get_str(doc, *map, "workspace").value_or("") != workspace)
            continue;
        if (category && get_str(doc, *map, "category").value_or("") != *category)
            continue;
        out.push_back({std::move(id), *map, order_of(doc, *map)});
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const Placed& a, const Placed& b) { return a.order < b.order; });
    return out;
}

std::vector<Placed> channels_in(const Document& doc, std::string_view workspace,
                                std::string_view category)
{
    return placed_in(doc, key::channels, workspace, &category);
}

std::int64_t next_order(const std::vector<Placed>& placed)
{
    if (placed.empty())
        return 0;
    std::uint32_t highest = 0;
    for (const auto& p : placed)
        highest = std::max(highest, p.order);
    return std::int64_t(highest) + 1;
}

void delete_if_present(Document& doc, std::string_view collection, std::string_view id)
{
    auto parent = get_map(doc, Document::root(), collection);
    if (parent && doc.get(*parent, id))
        (void)delete_key(doc, *parent, id);
}

} // namespace

void apply(Document& doc, const actions::CreateChannel& action)
{
    // Creating again under a taken id would move the channel to the end; a repeated action
    // must leave the document as the first one did.
    if (action.id.empty() || channel_map(doc, action.id))
        return;
    ChannelRecord channel;
    channel.id = action.id;
    channel.workspace = action.workspace;
    channel.category = action.category;
    channel.name = action.name;
    channel.voice = action.kind == actions::ChannelKind::Voice;
    channel.order =
        static_cast<std::uint32_t>(next_order(channels_in(doc, action.workspace, action.category)));
    write_channel(doc, channel);
}

void apply(Document& doc, const actions::CreateCategory& action)
{
    if (action.id.empty() || category_map(doc, action.id))
        return;
    CategoryRecord category;
    category.id = action.id;
    category.workspace = action.workspace;
    category.name = action.name;
    category.order = static_cast<std::uint32_t>(
        next_order(placed_in(doc, key::categories, action.workspace, nullptr)));
    write_category(doc, category);
}

void apply(Document& doc, const actions::RenameCategory& action)
{
    if (auto map = category_map(doc, action.id))
        update_str(doc, *map, "name", action.name);
}

void apply(Document& doc, const actions::DeleteCategory& action)
{
    // Channels without a category name the empty one; it cannot be deleted.
    if (action.id.empty() || !category_map(doc, action.id))
        return;
    auto channels = get_map(doc, Document::root(), key::channels);
    if (channels) {
        // Channels of every workspace that name the category, in display order.
        std::vector<Placed> moving;
        for (auto& id : doc.keys(*channels)) {
            auto map = get_map(doc, *channels, id);
            if (map && get_str(doc, *map, "category").value_or("") == action.id)
                moving.push_back({std::move(id), *map, order_of(doc, *map)});
        }
        std::stable_sort(moving.begin(), moving.end(),
                         [](const Placed& a, const Placed& b) { return a.order < b.order; });
        for (const auto& channel : moving) {
            const auto workspace = get_str(doc, channel.map, "workspace").value_or("");
            const auto order = next_order(channels_in(doc, workspace, ""));
            (void)put_str(doc, channel.map, "category", "");
            update_i64(doc, channel.map, "order", order);
        }
    }
    delete_if_present(doc, key::categories, action.id);
}

void apply(Document& doc, const actions::SetCategoryCollapsed& action)
{
    if (auto map = category_map(doc, action.id))
        update_bool(doc, *map, "collapsed", action.collapsed);
}

void apply(Document& doc, const actions::ReorderChannel& action)
{
    auto map = channel_map(doc, action.id);
    if (!map)
        return;
    const auto siblings = channels_in(doc, get_str(doc, *map, "workspace").value_or(""),
                                      get_str(doc, *map, "category").value_or(""));
    auto at = std::find_if(siblings.begin(), siblings.end(),
                           [&](const Placed& p) { return p.id == action.id; });
    if (at == siblings.end())
        return;
    if (action.up ? at == siblings.begin() : at + 1 == siblings.end())
        return;
    const auto neighbour = action.up ? at - 1 : at + 1;
    // Equal orders swap to the same values: nothing is written.
    update_i64(doc, at->map, "order", neighbour->order);
    update_i64(doc, neighbour->map, "order", at->order);
}

void apply(Document& doc, const actions::RenameChannel& action)
{
    if (auto map = channel_map(doc, action.id))
        update_str(doc, *map, "name", action.name);
}

void apply(Document& doc, const actions::DeleteChannel& action)
{
    for (auto collection : {key::channels, key::messages, key::voice, key::drafts})
        delete_if_present(doc, collection, action.id);
}

void apply(Document& doc, const actions::ArchiveChannel& action)
{
    auto map = channel_map(doc, action.id);
    if (map && get_bool(doc, *map, "archived").value_or(false) != action.archived)
        (void)put_bool(doc, *map, "archived", action.archived);
}

} // namespace chat::doc::detail
