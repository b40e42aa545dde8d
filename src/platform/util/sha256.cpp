#include "platform/util/sha256.h"

#include <gnutls/crypto.h>

#include "platform/util/fatal.h"
#include "platform/util/hex.h"

namespace util {

Sha256 sha256(std::span<const std::uint8_t> bytes)
{
    Sha256 digest;
    if (gnutls_hash_fast(GNUTLS_DIG_SHA256, bytes.data(), bytes.size(), digest.data()) != 0)
        fatal("sha256 failed");
    return digest;
}

std::string sha256_hex(std::span<const std::uint8_t> bytes)
{
    return to_hex(sha256(bytes));
}

Sha256Builder::Sha256Builder()
{
    gnutls_hash_hd_t handle;
    if (gnutls_hash_init(&handle, GNUTLS_DIG_SHA256) != 0)
        fatal("sha256 failed");
    m_handle = handle;
}

Sha256Builder::~Sha256Builder()
{
    if (m_handle)
        gnutls_hash_deinit(static_cast<gnutls_hash_hd_t>(m_handle), nullptr);
}

void Sha256Builder::update(std::span<const std::uint8_t> bytes)
{
    if (!bytes.empty() && gnutls_hash(static_cast<gnutls_hash_hd_t>(m_handle), bytes.data(), bytes.size()) != 0)
        fatal("sha256 failed");
}

Sha256 Sha256Builder::finish()
{
    if (!m_handle)
        fatal("sha256 finished twice");
    Sha256 digest;
    gnutls_hash_deinit(static_cast<gnutls_hash_hd_t>(m_handle), digest.data());
    m_handle = nullptr;
    return digest;
}

} // namespace util
