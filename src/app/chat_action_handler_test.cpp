#include "actions/record_codec.h"
#include "app/chat_action_handler.h"
#include "doc/access.h"
#include "doc/message_lookup.h"
#include "doc/seed.h"

#include <gtest/gtest.h>

namespace {

using namespace chat::actions;

TEST(ChatActionHandler, AppliesDecodedActionsAsOneChangeAndRefusesBadPayloads)
{
    crdt::Document doc;
    chat::doc::seed_demo(doc);
    doc.commit();
    chat::app::ChatActionHandler handler;

    auto bad = handler.apply("{\"PinMessage\":{\"channel\":\"c_crit\",\"msg\":\"m_open\"}}", doc);
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.error().kind, "chat.action");
    EXPECT_NE(bad.error().message.find("pinned"), std::string::npos) << bad.error().message;
    const auto payload = encode_chat_action(PinMessage{"c_crit", "m_open", true});
    EXPECT_FALSE(handler.apply(payload + "}", doc));

    const auto heads = doc.get_heads();
    ASSERT_TRUE(handler.apply(payload, doc));
    EXPECT_EQ(doc.pending_ops(), 0u);
    EXPECT_NE(doc.get_heads(), heads);
    auto message = chat::doc::find_message(doc, "c_crit", "m_open");
    ASSERT_TRUE(message);
    EXPECT_EQ(chat::doc::get_bool(doc, message->map, "pinned"), true);
}

} // namespace
