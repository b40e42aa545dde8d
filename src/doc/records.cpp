#include "doc/records.h"

namespace chat::doc {

std::string_view presence_name(Presence presence)
{
    switch (presence) {
    case Presence::Online:
        return "online";
    case Presence::Idle:
        return "idle";
    case Presence::Dnd:
        return "dnd";
    case Presence::Offline:
        return "offline";
    }
    return "online";
}

Presence presence_from_name(std::string_view name)
{
    if (name == "idle")
        return Presence::Idle;
    if (name == "dnd")
        return Presence::Dnd;
    if (name == "offline")
        return Presence::Offline;
    return Presence::Online;
}

} // namespace chat::doc
