#include "actions/record_codec.h"

#include <gtest/gtest.h>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
#include <string>
#include <vector>

namespace {

using namespace chat::actions;

SendMessage bare_send()
{
    return SendMessage{
        .channel = "c_general", .id = "m_concept", .author = "u_me", .ts = 42, .text = "hi"};
}

SendMessage full_send()
{
    SendMessage send = bare_send();
    send.text = "@ana look";
    send.parent = "m_root";
    send.attachment = attachment::Image{
        .name = "shot.png", .blob = "ruvo-demo://shared-shot", .w = 640, .h = 480};
    send.mentions = {Mention{.user = "u_ana", .start = 0, .len = 4, .is_agent = true}};
    send.reference = ResourceRef{.kind = "chat.message",
                                 .id = "m_1",
                                 .label = "Plan",
                                 .span = Span{.start = 2, .end = 9, .unit = SpanUnit::Bytes}};
    return send;
}

AgentWork full_work()
{
    return AgentWork{.state = work_state::Doing{.did = "read", .about = "plan"},
                     .since = 7,
                     .reasoning = AgentReasoning{.route = ReasoningRoute::Floor, .why = "rule"},
                     .trace = {AgentStep{.id = "s1",
                                         .sequence = 3,
                                         .resource = "chat.message:m_1",
                                         .label = "Read",
                                         .outcome = step_outcome::Refused{.why = "locked"}},
                               AgentStep{.resource = "chat.channel:c_1",
                                         .label = "Look",
                                         .outcome = step_outcome::NoChange{}}}};
}

// Encoding gives exactly this text, and decoding the text gives the record back.
struct EncodeCase {
    std::string name;
    ChatAction action;
    std::string json;
};

TEST(ChatActionJson, EncodesExactCompactTextAndDecodesItBack)
{
    std::vector<EncodeCase> cases = {
        {"send without optional parts keeps all nine keys", bare_send(),
         R"({"SendMessage":{"channel":"c_general","id":"m_concept","author":"u_me","ts":42,"text":"hi",)"
         R"("parent":null,"attachment":null,"mentions":[],"reference":null}})"},
        {"send with every part", full_send(),
         R"({"SendMessage":{"channel":"c_general","id":"m_concept","author":"u_me","ts":42,"text":"@ana look",)"
         R"("parent":"m_root","attachment":{"Image":{"name":"shot.png","blob":"ruvo-demo://shared-shot","w":640,"h":480}},)"
         R"("mentions":[{"user":"u_ana","start":0,"len":4,"is_agent":true}],)"
         R"("reference":{"kind":"chat.message","id":"m_1","label":"Plan","span":{"start":2,"end":9,"unit":"Bytes"}}}})"},
        {"negative time stamp", EditMessage{.channel = "c", .id = "m", .text = "t", .ts = -5},
         R"({"EditMessage":{"channel":"c","id":"m","text":"t","ts":-5}})"},
        {"delete", DeleteMessage{.channel = "c_general", .id = "m_concept"},
         R"({"DeleteMessage":{"channel":"c_general","id":"m_concept"}})"},
        {"voice channel",
         CreateChannel{.workspace = "ws_1",
                       .category = "cat_1",
                       .id = "c_2",
                       .name = "Talk",
                       .kind = ChannelKind::Voice},
         R"({"CreateChannel":{"workspace":"ws_1","category":"cat_1","id":"c_2","name":"Talk","kind":"Voice"}})"},
        {"agent work without say",
         SetAgentWork{.channel = "c",
                      .msg = "m",
                      .work = AgentWork{.state = work_state::Taken{}, .since = 3}},
         R"({"SetAgentWork":{"channel":"c","msg":"m","work":{"state":{"state":"taken"},"since":3},"say":null}})"},
        {"agent work with reasoning and trace",
         SetAgentWork{.channel = "c", .msg = "m", .work = full_work(), .say = "ok"},
         R"({"SetAgentWork":{"channel":"c","msg":"m","work":{"state":{"state":"doing","did":"read","about":"plan"},)"
         R"("since":7,"reasoning":{"route":"floor","why":"rule"},"trace":[)"
         R"({"id":"s1","sequence":3,"resource":"chat.message:m_1","label":"Read","outcome":{"outcome":"refused","why":"locked"}},)"
         R"({"resource":"chat.channel:c_1","label":"Look","outcome":{"outcome":"no_change"}}]},"say":"ok"}})"},
        {"call state",
         SetCallState{.channel = "c_v",
                      .user = "u",
                      .talking = true,
                      .muted = false,
                      .deafened = true,
                      .audio_only = false},
         R"({"SetCallState":{"channel":"c_v","user":"u","talking":true,"muted":false,"deafened":true,"audio_only":false}})"},
        {"escapes quotes, backslashes and control characters, keeps UTF-8",
         EditMessage{.channel = "c",
                     .id = "m",
                     .text =
                         std::string("q\"b\\n\n t\t r\r b\b f\f \x01 \x1f nul") + '\0' + "/ é 😀",
                     .ts = 1},
         std::string(
             R"({"EditMessage":{"channel":"c","id":"m","text":"q\"b\\n\n t\t r\r b\b f\f \u0001 \u001F nul\u0000/ é 😀","ts":1}})")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(to_json(c.action), c.json);
        auto decoded = from_json<ChatAction>(c.json);
        ASSERT_TRUE(decoded) << decoded.error().message;
        EXPECT_EQ(*decoded, c.action);
    }
}

TEST(ChatActionJson, IllFormedUtf8IsWrittenWithReplacementCharacters)
{
    ChatAction action = DeleteMessage{.channel = "a\xff"
                                                 "b\xe2\x82",
                                      .id = "\xed\xa0\x80"};
    std::string json = to_json(action);
    EXPECT_EQ(json, "{\"DeleteMessage\":{\"channel\":\"a\xEF\xBF\xBD"
                    "b\xEF\xBF\xBD\",\"id\":\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"}}");
    EXPECT_TRUE(from_json<ChatAction>(json));
}

TEST(OtherRecordsJson, EncodeExactly)
{
    EXPECT_EQ(to_json(ChatOperation{OpenPerson{.user = "u_me"}}),
              R"({"OpenPerson":{"user":"u_me"}})");
    EXPECT_EQ(
        to_json(ChatOperation{RevealMessage{.workspace = "ws", .channel = "c", .message = "m"}}),
        R"({"RevealMessage":{"workspace":"ws","channel":"c","message":"m","parent":null}})");
    EXPECT_EQ(to_json(Attachment{attachment::File{.name = "report.pdf", .blob = "ab", .size = 12}}),
              R"({"File":{"name":"report.pdf","blob":"ab","size":12}})");
    EXPECT_EQ(
        to_json(Attachment{attachment::Video{
            .name = "v", .blob = "b", .w = 4294967295u, .h = 1, .size = 18446744073709551615u}}),
        R"({"Video":{"name":"v","blob":"b","w":4294967295,"h":1,"size":18446744073709551615}})");
    EXPECT_EQ(to_json(AgentWork{.state = work_state::Waiting{.app = "mail"}, .since = -1}),
              R"({"state":{"state":"waiting","app":"mail"},"since":-1})");
    EXPECT_EQ(to_json(AgentStep{
                  .resource = "chat.people", .label = "List", .outcome = step_outcome::Applied{}}),
              R"({"resource":"chat.people","label":"List","outcome":{"outcome":"applied"}})");
    EXPECT_EQ(to_json(StoredAgentTransition{.state = work_state::Done{.did = "sent"}, .since = 9}),
              R"({"state":{"state":"done","did":"sent"},"since":9})");
    EXPECT_EQ(to_json(AgentStepOutcome{step_outcome::Asked{}}), R"({"outcome":"asked"})");
    EXPECT_EQ(to_json(ResourceRef{.kind = "k", .id = "i", .label = "l"}),
              R"({"kind":"k","id":"i","label":"l","span":null})");
    ChatCallContinuation continuation{
        .workspace_id = "ws_1",
        .channel_id = "c_voice",
        .media = {.microphone = true, .camera = true},
        .controls = {.camera_muted = true, .share_audio_muted = true}};
    EXPECT_EQ(
        to_json(continuation),
        R"({"workspace_id":"ws_1","channel_id":"c_voice","media":{"microphone":true,"camera":true,"screen_share":false,"share_audio":false},)"
        R"("controls":{"microphone_muted":false,"camera_muted":true,"screen_share_paused":false,"share_audio_muted":true}})");
    EXPECT_EQ(from_json<ChatCallContinuation>(to_json(continuation)).value(), continuation);
}

// Inputs that are not what the encoder writes but decode to a known record.
TEST(ChatActionJson, AcceptsArrayFormsDefaultsAndUnknownKeys)
{
    struct Case {
        std::string name;
        std::string json;
        ChatAction expected;
    };
    SendMessage no_mentions = bare_send();
    std::vector<Case> cases = {
        {"array form of an alternative", R"({"DeleteMessage":["c_general","m_concept"]})",
         DeleteMessage{.channel = "c_general", .id = "m_concept"}},
        {"array form with nested array forms",
         R"({"SendMessage":["c_general","m_concept","u_me",42,"@ana look","m_root",{"Image":["shot.png","ruvo-demo://shared-shot",640,480]},)"
         R"([["u_ana",0,4,true]],["chat.message","m_1","Plan",[2,9,"Bytes"]]]})",
         full_send()},
        {"mentions may be left out, optionals too",
         R"({"SendMessage":{"channel":"c_general","id":"m_concept","author":"u_me","ts":42,"text":"hi"}})",
         no_mentions},
        {"keys in any order, unknown keys of any shape skipped, whitespace allowed",
         "{ \"SendMessage\" : {\n \"text\":\"hi\", \"extra\": {\"a\":[1,{\"b\":null}]}, "
         "\"ts\":42,\n"
         " \"author\":\"u_me\",\"id\":\"m_concept\",\"Channel\":\"x\",\"channel\":\"c_general\"} "
         "}\n",
         no_mentions},
        {"agent work in its smallest form",
         R"({"SetAgentWork":{"channel":"c","msg":"m","work":{"state":{"state":"taken"},"since":3},"say":null}})",
         SetAgentWork{.channel = "c",
                      .msg = "m",
                      .work = AgentWork{.state = work_state::Taken{}, .since = 3}}},
        {"tag after the fields, null reasoning, step without id and sequence",
         R"({"SetAgentWork":{"channel":"c","msg":"m","work":{"state":{"did":"x","state":"done"},"since":3,"reasoning":null,)"
         R"("trace":[{"resource":"r","label":"l","outcome":{"outcome":"applied","why":"ignored"}}]}}})",
         SetAgentWork{.channel = "c",
                      .msg = "m",
                      .work = AgentWork{.state = work_state::Done{.did = "x"},
                                        .since = 3,
                                        .trace = {AgentStep{.resource = "r",
                                                            .label = "l",
                                                            .outcome = step_outcome::Applied{}}}}}},
        {"array forms of tagged states and steps",
         R"({"SetAgentWork":["c","m",[["doing","a","b"],3,["model","w"],[["s",2,"r","l",["refused","no"]]]],"hey"]})",
         SetAgentWork{
             .channel = "c",
             .msg = "m",
             .work =
                 AgentWork{.state = work_state::Doing{.did = "a", .about = "b"},
                           .since = 3,
                           .reasoning = AgentReasoning{.route = ReasoningRoute::Model, .why = "w"},
                           .trace = {AgentStep{.id = "s",
                                               .sequence = 2,
                                               .resource = "r",
                                               .label = "l",
                                               .outcome = step_outcome::Refused{.why = "no"}}}},
             .say = "hey"}},
        {"largest i64 time stamp",
         R"({"EditMessage":{"channel":"c","id":"m","text":"","ts":9223372036854775807}})",
         EditMessage{.channel = "c", .id = "m", .ts = 9223372036854775807}},
        {"smallest i64 count",
         R"({"MarkRead":{"channel":"c","user":"u","count":-9223372036854775808}})",
         MarkRead{.channel = "c", .user = "u", .count = INT64_MIN}},
        {"escapes including a surrogate pair",
         R"({"RenameChannel":{"id":"\u0041\u00e9\ud83d\ude00\/","name":"\""}})",
         RenameChannel{.id = "Aé😀/", .name = "\""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto decoded = from_json<ChatAction>(c.json);
        ASSERT_TRUE(decoded) << decoded.error().message;
        EXPECT_EQ(*decoded, c.expected);
    }
}

TEST(NestedRecordsJson, DecodeTheirSmallestForms)
{
    auto work = from_json<AgentWork>(R"({"state":{"state":"taken"},"since":5})");
    ASSERT_TRUE(work) << work.error().message;
    EXPECT_EQ(*work, (AgentWork{.state = work_state::Taken{}, .since = 5}));
    EXPECT_EQ(to_json(*work), R"({"state":{"state":"taken"},"since":5})");

    auto step =
        from_json<AgentStep>(R"({"resource":"r","label":"l","outcome":{"outcome":"asked"}})");
    ASSERT_TRUE(step) << step.error().message;
    EXPECT_EQ(step->id, "");
    EXPECT_EQ(step->sequence, 0u);

    auto taken = from_json<AgentWorkState>(R"({"state":"taken","extra":1})");
    ASSERT_TRUE(taken) << taken.error().message;
    EXPECT_TRUE(std::holds_alternative<work_state::Taken>(*taken));
}

struct ErrorCase {
    std::string name;
    std::string json;
    std::string error;
};

template <typename T> void expect_errors(const std::vector<ErrorCase>& cases)
{
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto decoded = from_json<T>(c.json);
        ASSERT_FALSE(decoded);
        EXPECT_EQ(decoded.error().message, c.error);
    }
}

TEST(ChatActionJson, RejectsMalformedRecordsWithPositionedErrors)
{
    expect_errors<ChatAction>({
        {"short array", R"({"DeleteMessage":["c_general"]})",
         "invalid length 1, expected struct variant ChatAction::DeleteMessage with 2 elements at "
         "line 1 column 30"},
        {"long array", R"({"DeleteMessage":["a","b","c"]})",
         "invalid length 3, expected struct variant ChatAction::DeleteMessage with 2 elements at "
         "line 1 column 30"},
        {"missing flag", R"({"PinMessage":{"channel":"c_general","msg":"m_concept"}})",
         "missing field `pinned` at line 1 column 55"},
        {"missing time stamp",
         R"({"SendMessage":{"channel":"c","id":"m","author":"u","text":"t"}})",
         "missing field `ts` at line 1 column 63"},
        {"keys are case-sensitive", R"({"DeleteCategory":{"ID":"x"}})",
         "missing field `id` at line 1 column 28"},
        {"repeated key", "{\"DeleteMessage\":{\"channel\":\"a\",\n\"channel\":\"b\",\"id\":\"c\"}}",
         "duplicate field `channel` at line 2 column 9"},
        {"unknown alternative", R"({"SendMesage":{}})",
         "unknown variant `SendMesage`, expected one of `SendMessage`, `EditMessage`, "
         "`DeleteMessage`, "
         "`AddReaction`, `RemoveReaction`, `PinMessage`, `CreateChannel`, `CreateCategory`, "
         "`RenameCategory`, "
         "`DeleteCategory`, `SetCategoryCollapsed`, `ReorderChannel`, `RenameChannel`, "
         "`DeleteChannel`, "
         "`ArchiveChannel`, `MarkRead`, `SetAgentWork`, `JoinCall`, `LeaveCall`, `SetCallState`, "
         "`SetScreenShare`, `SetCallTicket` at line 1 column 13"},
        {"two alternatives at once", R"({"JoinCall":["c","u"],"LeaveCall":["c","u"]})",
         "invalid length 2, expected enum ChatAction as an object with a single key at line 1 "
         "column 44"},
        {"not an object", "5",
         "invalid type: integer `5`, expected enum ChatAction at line 1 column 1"},
        {"unknown channel kind", R"({"CreateChannel":["w","c","i","n","Video"]})",
         "unknown variant `Video`, expected `Text` or `Voice` at line 1 column 41"},
        {"wrong value type", R"({"PinMessage":["c","m","yes"]})",
         "invalid type: string \"yes\", expected a boolean at line 1 column 28"},
        {"fraction for an integer", R"({"MarkRead":["c","u",1.5]})",
         "invalid type: floating point `1.5`, expected i64 at line 1 column 24"},
        {"time stamp above i64", R"({"EditMessage":["c","m","t",9223372036854775808]})",
         "invalid value: integer `9223372036854775808`, expected i64 at line 1 column 47"},
        {"negative unsigned",
         R"({"SendMessage":["c","m","u",1,"t",null,null,[["u",-1,2,false]],null]})",
         "invalid value: integer `-1`, expected u64 at line 1 column 52"},
        {"width above u32",
         R"({"SendMessage":["c","m","u",1,"t",null,{"Image":["n","b",4294967296,1]},[],null]})",
         "invalid value: integer `4294967296`, expected u32 at line 1 column 67"},
        {"null for a list", R"({"SendMessage":["c","m","u",1,"t",null,null,null,null]})",
         "invalid type: null, expected an array at line 1 column 48"},
        {"resource reference too short",
         R"({"SendMessage":["c","m","u",1,"t",null,null,[],["k","i"]]})",
         "invalid length 2, expected struct ResourceRef with 4 elements at line 1 column 56"},
        {"image too short",
         R"({"SendMessage":["c","m","u",1,"t",null,{"Image":["n","b",1]},[],null]})",
         "invalid length 3, expected struct variant Attachment::Image with 4 elements at line 1 "
         "column 59"},
        {"state missing its field",
         R"({"SetAgentWork":["c","m",{"state":{"state":"waiting"},"since":1},null]})",
         "missing field `app` at line 1 column 53"},
        {"doing array too short", R"({"SetAgentWork":["c","m",[["doing","x"],1,null,[]],null]})",
         "invalid length 1, expected struct variant AgentWorkState::Doing with 2 elements at line "
         "1 column 39"},
        {"refused outcome without why",
         R"({"SetAgentWork":["c","m",{"state":["taken"],"since":1,"trace":[{"resource":"r","label":"l","outcome":["refused"]}]},null]})",
         "invalid length 0, expected struct variant AgentStepOutcome::Refused with 1 element at "
         "line 1 column 112"},
        {"unknown state",
         R"({"SetAgentWork":["c","m",{"state":{"state":"napping"},"since":1},null]})",
         "unknown variant `napping`, expected one of `taken`, `waiting`, `doing`, `done`, "
         "`refused` at line 1 column 52"},
        {"state given twice",
         R"({"SetAgentWork":["c","m",{"state":{"state":"taken","state":"done"},"since":1},null]})",
         "duplicate field `state` at line 1 column 58"},
        {"trailing characters", R"({"DeleteCategory":["x"]} x)",
         "The document root must not be followed by other values at line 1 column 26"},
        {"trailing bytes after a NUL", std::string("{\"DeleteCategory\":[\"x\"]}\0x", 26),
         "The document root must not be followed by other values at line 1 column 25"},
        {"syntax error on a later line", "{\"DeleteCategory\":\n  {\"id\": }}",
         "Invalid value at line 2 column 10"},
        {"empty input", "", "The document is empty at line 1 column 0"},
        {"truncated", R"({"DeleteCategory":{"id":"x")",
         "Missing a comma or '}' after an object member at line 1 column 27"},
        {"ill-formed UTF-8", "{\"DeleteCategory\":[\"\xC0\xAF\"]}",
         "Invalid encoding in string at line 1 column 21"},
        {"lone low surrogate", R"({"DeleteCategory":["\udc00"]})",
         "lone surrogate in string escape at line 1 column 27"},
        {"lone high surrogate", R"({"DeleteCategory":["\ud800x"]})",
         "The surrogate pair in string is invalid at line 1 column 21"},
        {"number too big", R"({"MarkRead":["c","u",1e400]})",
         "Number too big to be stored in double at line 1 column 22"},
    });
}

TEST(ChatOperationJson, RejectsMalformedOperations)
{
    expect_errors<ChatOperation>({
        {"one field, singular", R"({"OpenWorkspace":[]})",
         "invalid length 0, expected struct variant ChatOperation::OpenWorkspace with 1 element at "
         "line 1 column 19"},
        {"missing parent key is fine but missing message is not",
         R"({"RevealMessage":{"workspace":"w","channel":"c"}})",
         "missing field `message` at line 1 column 48"},
    });
    auto reveal = from_json<ChatOperation>(R"({"RevealMessage":["w","c","m",null]})");
    ASSERT_TRUE(reveal) << reveal.error().message;
    EXPECT_EQ(*reveal,
              (ChatOperation{RevealMessage{.workspace = "w", .channel = "c", .message = "m"}}));
}

TEST(NestedRecordsJson, RejectMissingTagsAndFields)
{
    expect_errors<AgentWorkState>({
        {"waiting without app", R"({"state":"waiting"})",
         "missing field `app` at line 1 column 19"},
        {"no tag", R"({"app":"x"})", "missing field `state` at line 1 column 11"},
        {"empty array", "[]", "missing field `state` at line 1 column 2"},
        {"tag not a string", R"({"state":1})",
         "invalid type: integer `1`, expected a variant name at line 1 column 10"},
    });
    expect_errors<ChatCallContinuation>({
        {"short", R"(["w","c",[true,true,false,false]])",
         "invalid length 3, expected struct ChatCallContinuation with 4 elements at line 1 column "
         "33"},
        {"facets short", R"(["w","c",[true],[false,false,false,false]])",
         "invalid length 1, expected struct RealtimeMediaFacets with 4 elements at line 1 column "
         "15"},
    });
    expect_errors<AgentStep>(
        {{"short", R"(["r","l",{"outcome":"asked"}])",
          "invalid length 3, expected struct AgentStep with 5 elements at line 1 column 29"}});
    expect_errors<StoredAgentTransition>(
        {{"short", R"([{"state":"taken"}])",
          "invalid length 1, expected struct StoredAgentTransition with 2 elements at line 1 "
          "column 19"}});
    expect_errors<Span>(
        {{"short", "[1,2]",
          "invalid length 2, expected struct Span with 3 elements at line 1 column 5"}});
    expect_errors<Mention>(
        {{"short", "[]",
          "invalid length 0, expected struct Mention with 4 elements at line 1 column 2"}});
    expect_errors<AgentReasoning>(
        {{"short", R"(["model"])",
          "invalid length 1, expected struct AgentReasoning with 2 elements at line 1 column 9"}});
    expect_errors<AgentWork>(
        {{"short", R"([["taken"]])",
          "invalid length 1, expected struct AgentWork with 4 elements at line 1 column 11"}});
}

TEST(ChatActionJson, RejectsNestingDeeperThanTheLimitWithoutRecursing)
{
    std::string deep = R"({"DeleteCategory":{"id":"x","skip":)" + std::string(100000, '[') +
                       std::string(100000, ']') + "}}";
    auto decoded = from_json<ChatAction>(deep);
    ASSERT_FALSE(decoded);
    EXPECT_EQ(decoded.error().message, "nesting deeper than 128 levels at line 1 column 162");

    std::string allowed = R"({"DeleteCategory":{"id":"x","skip":)" + std::string(126, '[') +
                          std::string(126, ']') + "}}";
    EXPECT_TRUE(from_json<ChatAction>(allowed));
}

TEST(ChatActionJson, DecodesBytesAndValueTreesLikeText)
{
    std::string json = to_json(ChatAction{full_send()});
    std::vector<std::uint8_t> bytes(json.begin(), json.end());
    EXPECT_EQ(from_json<ChatAction>(std::span<const std::uint8_t>(bytes)), ChatAction{full_send()});

    rapidjson::Document document;
    document.Parse(json.c_str());
    ASSERT_FALSE(document.HasParseError());
    EXPECT_EQ(from_json_value<ChatAction>(document), ChatAction{full_send()});

    rapidjson::Document broken;
    broken.Parse(R"({"PinMessage":{"channel":"c","msg":"m"}})");
    auto decoded = from_json_value<ChatAction>(broken);
    ASSERT_FALSE(decoded);
    EXPECT_EQ(decoded.error().message, "missing field `pinned`");
}

TEST(ChatActionJson, ValueTreeEncodingMatchesTheText)
{
    json::ValueAllocator allocator;
    for (const ChatAction& action :
         {ChatAction{full_send()}, ChatAction{SetAgentWork{.work = full_work()}}}) {
        rapidjson::Value value = to_json_value(action, allocator);
        rapidjson::StringBuffer buffer;
        rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
        value.Accept(writer);
        EXPECT_EQ(std::string(buffer.GetString(), buffer.GetSize()), to_json(action));
        EXPECT_EQ(from_json_value<ChatAction>(value), action);
    }
}

} // namespace
