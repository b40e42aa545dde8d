#include "platform/p2p/endpoint_addr.h"

#include <charconv>
#include <rapidjson/document.h>
#include <rapidjson/error/en.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace p2p {

std::string format_socket_addr(const asio::ip::udp::endpoint& endpoint)
{
    auto const address = endpoint.address();
    if (address.is_v6())
        return fmt::format("[{}]:{}", address.to_string(), endpoint.port());
    return fmt::format("{}:{}", address.to_string(), endpoint.port());
}

util::Result<asio::ip::udp::endpoint> parse_socket_addr(std::string_view text)
{
    auto const colon = text.rfind(':');
    if (colon == std::string_view::npos)
        return util::fail("socket address \"{}\" has no port", text);
    std::string_view host = text.substr(0, colon);
    std::string_view const port_text = text.substr(colon + 1);
    bool const bracketed = host.size() >= 2 && host.front() == '[' && host.back() == ']';
    if (bracketed)
        host = host.substr(1, host.size() - 2);
    unsigned port = 0;
    auto const [end, ec] =
        std::from_chars(port_text.data(), port_text.data() + port_text.size(), port);
    if (port_text.empty() || ec != std::errc() || end != port_text.data() + port_text.size() ||
        port > 65535)
        return util::fail("socket address \"{}\" has no valid port", text);
    asio::error_code error;
    auto const address = asio::ip::make_address(std::string(host), error);
    if (error || address.is_v6() != bracketed)
        return util::fail("socket address \"{}\" has no valid IP address", text);
    return asio::ip::udp::endpoint(address, static_cast<unsigned short>(port));
}

std::string encode_ticket(const EndpointAddr& addr)
{
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartObject();
    writer.Key("id");
    std::string const id = addr.id.to_string();
    writer.String(id.data(), static_cast<rapidjson::SizeType>(id.size()));
    writer.Key("addrs");
    writer.StartArray();
    for (const auto& transport : addr.addrs) {
        writer.StartObject();
        if (const auto* relay = std::get_if<RelayAddr>(&transport)) {
            writer.Key("Relay");
            writer.String(relay->url.data(), static_cast<rapidjson::SizeType>(relay->url.size()));
        } else if (const auto* ip = std::get_if<IpAddr>(&transport)) {
            writer.Key("Ip");
            std::string const text = format_socket_addr(ip->endpoint);
            writer.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
        } else {
            const auto& custom = std::get<CustomAddr>(transport);
            writer.Key("Custom");
            writer.RawValue(custom.json.data(), custom.json.size(), rapidjson::kObjectType);
        }
        writer.EndObject();
    }
    writer.EndArray();
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

static std::string_view view_of(const rapidjson::Value& value)
{
    return {value.GetString(), value.GetStringLength()};
}

static std::string compact_json(const rapidjson::Value& value)
{
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    value.Accept(writer);
    return std::string(buffer.GetString(), buffer.GetSize());
}

static util::Result<TransportAddr> parse_transport(const rapidjson::Value& value, std::size_t index)
{
    if (!value.IsObject() || value.MemberCount() != 1)
        return util::fail("ticket address {} must be an object with one member", index);
    const auto& member = *value.MemberBegin();
    std::string_view const kind = view_of(member.name);
    if (kind == "Relay") {
        if (!member.value.IsString())
            return util::fail("ticket address {}: relay URL must be a string", index);
        return RelayAddr{std::string(view_of(member.value))};
    }
    if (kind == "Ip") {
        if (!member.value.IsString())
            return util::fail("ticket address {}: IP address must be a string", index);
        auto endpoint = parse_socket_addr(view_of(member.value));
        if (!endpoint)
            return util::fail("ticket address {}: {}", index, endpoint.error().message);
        return IpAddr{*endpoint};
    }
    if (kind == "Custom")
        return CustomAddr{compact_json(member.value)};
    return util::fail("ticket address {} has unknown kind \"{}\"", index, kind);
}

util::Result<EndpointAddr> parse_ticket(std::string_view text)
{
    if (text.size() > max_ticket_bytes)
        return util::fail("ticket of {} bytes is longer than {}", text.size(), max_ticket_bytes);
    // A NUL would end the parser's input early and hide whatever follows it.
    if (text.find('\0') != std::string_view::npos)
        return util::fail("ticket contains a NUL byte");
    rapidjson::Document doc;
    constexpr unsigned flags =
        rapidjson::kParseIterativeFlag | rapidjson::kParseValidateEncodingFlag;
    doc.Parse<flags>(text.data(), text.size());
    if (doc.GetParseError() == rapidjson::kParseErrorDocumentRootNotSingular)
        return util::fail("ticket has text after its object at offset {}", doc.GetErrorOffset());
    if (doc.HasParseError())
        return util::fail("ticket is not JSON at offset {}: {}", doc.GetErrorOffset(),
                          rapidjson::GetParseError_En(doc.GetParseError()));
    if (!doc.IsObject())
        return util::fail("ticket must be a JSON object");

    const rapidjson::Value* id = nullptr;
    const rapidjson::Value* addrs = nullptr;
    for (const auto& member : doc.GetObject()) {
        std::string_view const name = view_of(member.name);
        const rapidjson::Value** slot = name == "id" ? &id : name == "addrs" ? &addrs : nullptr;
        if (!slot)
            return util::fail("ticket has unknown member \"{}\"", name);
        if (*slot)
            return util::fail("ticket repeats member \"{}\"", name);
        *slot = &member.value;
    }
    if (!id || !id->IsString())
        return util::fail("ticket needs \"id\" as a string");
    if (!addrs || !addrs->IsArray())
        return util::fail("ticket needs \"addrs\" as an array");

    EndpointAddr out;
    auto parsed_id = EndpointId::parse(view_of(*id));
    if (!parsed_id)
        return util::fail("ticket id: {}", parsed_id.error().message);
    out.id = *parsed_id;
    std::size_t index = 0;
    for (const auto& value : addrs->GetArray()) {
        auto transport = parse_transport(value, index++);
        if (!transport)
            return std::unexpected(transport.error());
        out.addrs.push_back(std::move(*transport));
    }
    return out;
}

} // namespace p2p
