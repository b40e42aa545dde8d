#include "platform/crdt/ids.h"

#include "platform/util/hex.h"
#include "platform/util/random.h"

namespace crdt {

ActorId random_actor()
{
    ActorId actor;
    util::random_bytes(actor);
    return actor;
}

std::string actor_hex(const ActorId& actor)
{
    return util::to_hex(actor);
}

} // namespace crdt
