#pragma once
// The Ed25519 key pair that identifies an endpoint, and the self-signed certificate that
// carries its public key into the TLS handshake. Immutable after creation; any thread may
// read it.

#include "platform/p2p/endpoint_id.h"
#include "platform/util/result.h"

#include <array>
#include <cstdint>
#include <gnutls/gnutls.h>
#include <memory>
#include <span>

namespace p2p {

class SecretKey {
  public:
    // The persistent form: the 32-byte private seed followed by the 32-byte public key.
    static constexpr std::size_t stored_size = 64;

    // A fresh random key pair.
    static util::Result<SecretKey> generate();
    // Loads a key saved with to_bytes. Fails when the length is wrong or the public half does
    // not belong to the private half.
    static util::Result<SecretKey> from_bytes(std::span<const std::uint8_t> bytes);

    SecretKey(SecretKey&&) noexcept;
    SecretKey& operator=(SecretKey&&) noexcept;
    ~SecretKey();

    EndpointId public_id() const { return m_id; }
    std::array<std::uint8_t, stored_size> to_bytes() const;

    // TLS credentials holding a self-signed certificate for this key, ready for a client or a
    // server session. Each call makes new credentials that the caller owns.
    struct CredentialsDeleter {
        void operator()(gnutls_certificate_credentials_t creds) const;
    };
    using Credentials = std::unique_ptr<std::remove_pointer_t<gnutls_certificate_credentials_t>,
                                        CredentialsDeleter>;
    util::Result<Credentials> make_credentials() const;

  private:
    SecretKey() = default;
    static util::Result<SecretKey> from_x509(gnutls_x509_privkey_t key);

    gnutls_x509_privkey_t m_key = nullptr;
    EndpointId m_id;
};

// The Ed25519 public key of a DER certificate; an error for any other kind of key.
util::Result<EndpointId> certificate_endpoint_id(const gnutls_datum_t& der);

} // namespace p2p
