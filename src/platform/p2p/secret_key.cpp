#include "platform/p2p/secret_key.h"

#include "platform/util/fatal.h"
#include "platform/util/random.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <gnutls/abstract.h>
#include <gnutls/x509.h>

namespace p2p {

namespace {

struct X509KeyDeleter {
    void operator()(gnutls_x509_privkey_t key) const { gnutls_x509_privkey_deinit(key); }
};
using X509Key = std::unique_ptr<std::remove_pointer_t<gnutls_x509_privkey_t>, X509KeyDeleter>;

struct CrtDeleter {
    void operator()(gnutls_x509_crt_t crt) const { gnutls_x509_crt_deinit(crt); }
};
using Crt = std::unique_ptr<std::remove_pointer_t<gnutls_x509_crt_t>, CrtDeleter>;

struct PubkeyDeleter {
    void operator()(gnutls_pubkey_t key) const { gnutls_pubkey_deinit(key); }
};
using Pubkey = std::unique_ptr<std::remove_pointer_t<gnutls_pubkey_t>, PubkeyDeleter>;

struct PrivkeyDeleter {
    void operator()(gnutls_privkey_t key) const { gnutls_privkey_deinit(key); }
};
using Privkey = std::unique_ptr<std::remove_pointer_t<gnutls_privkey_t>, PrivkeyDeleter>;

struct Datum {
    gnutls_datum_t value{nullptr, 0};
    ~Datum() { gnutls_free(value.data); }
    std::span<const std::uint8_t> bytes() const { return {value.data, value.size}; }
};

util::Error tls_error(const char* what, int code)
{
    return util::Error{fmt::format("{}: {}", what, gnutls_strerror(code))};
}

// Signs a probe with the private key and checks it with the public key, so a stored key whose
// halves do not belong together is refused at load time instead of at the peer.
util::Result<void> check_pair(gnutls_x509_privkey_t x509)
{
    gnutls_privkey_t raw_priv = nullptr;
    gnutls_privkey_init(&raw_priv);
    Privkey priv(raw_priv);
    if (int rc = gnutls_privkey_import_x509(priv.get(), x509, 0); rc < 0)
        return std::unexpected(tls_error("import secret key", rc));
    gnutls_pubkey_t raw_pub = nullptr;
    gnutls_pubkey_init(&raw_pub);
    Pubkey pub(raw_pub);
    if (int rc = gnutls_pubkey_import_privkey(pub.get(), priv.get(), 0, 0); rc < 0)
        return std::unexpected(tls_error("derive public key", rc));
    static const unsigned char probe[] = "endpoint key check";
    gnutls_datum_t data{const_cast<unsigned char*>(probe), sizeof probe};
    Datum signature;
    if (int rc = gnutls_privkey_sign_data2(priv.get(), GNUTLS_SIGN_EDDSA_ED25519, 0, &data,
                                           &signature.value);
        rc < 0)
        return std::unexpected(tls_error("sign with secret key", rc));
    if (gnutls_pubkey_verify_data2(pub.get(), GNUTLS_SIGN_EDDSA_ED25519, 0, &data,
                                   &signature.value) < 0)
        return util::fail("secret key does not match its public key");
    return {};
}

} // namespace

SecretKey::SecretKey(SecretKey&& other) noexcept
    : m_key(std::exchange(other.m_key, nullptr)), m_id(other.m_id)
{
}

SecretKey& SecretKey::operator=(SecretKey&& other) noexcept
{
    if (this != &other) {
        if (m_key)
            gnutls_x509_privkey_deinit(m_key);
        m_key = std::exchange(other.m_key, nullptr);
        m_id = other.m_id;
    }
    return *this;
}

SecretKey::~SecretKey()
{
    if (m_key)
        gnutls_x509_privkey_deinit(m_key);
}

util::Result<SecretKey> SecretKey::from_x509(gnutls_x509_privkey_t key)
{
    SecretKey out;
    out.m_key = key;
    gnutls_ecc_curve_t curve{};
    Datum x, y, k;
    if (int rc = gnutls_x509_privkey_export_ecc_raw(key, &curve, &x.value, &y.value, &k.value);
        rc < 0)
        return std::unexpected(tls_error("export key", rc));
    if (curve != GNUTLS_ECC_CURVE_ED25519)
        return util::fail("endpoint key is not Ed25519");
    auto id = EndpointId::from_bytes(x.bytes());
    if (!id)
        return std::unexpected(id.error());
    out.m_id = *id;
    return out;
}

util::Result<SecretKey> SecretKey::generate()
{
    gnutls_x509_privkey_t raw = nullptr;
    gnutls_x509_privkey_init(&raw);
    X509Key key(raw);
    if (int rc = gnutls_x509_privkey_generate(key.get(), GNUTLS_PK_EDDSA_ED25519, 0, 0); rc < 0)
        return std::unexpected(tls_error("generate endpoint key", rc));
    return from_x509(key.release());
}

util::Result<SecretKey> SecretKey::from_bytes(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() != stored_size)
        return util::fail("stored endpoint key must be {} bytes, not {}", stored_size,
                          bytes.size());
    gnutls_x509_privkey_t raw = nullptr;
    gnutls_x509_privkey_init(&raw);
    X509Key key(raw);
    gnutls_datum_t k{const_cast<std::uint8_t*>(bytes.data()), 32};
    gnutls_datum_t x{const_cast<std::uint8_t*>(bytes.data() + 32), 32};
    if (int rc = gnutls_x509_privkey_import_ecc_raw(key.get(), GNUTLS_ECC_CURVE_ED25519, &x,
                                                    nullptr, &k);
        rc < 0)
        return std::unexpected(tls_error("import endpoint key", rc));
    if (auto ok = check_pair(key.get()); !ok)
        return std::unexpected(ok.error());
    return from_x509(key.release());
}

std::array<std::uint8_t, SecretKey::stored_size> SecretKey::to_bytes() const
{
    std::array<std::uint8_t, stored_size> out{};
    gnutls_ecc_curve_t curve{};
    Datum x, y, k;
    if (gnutls_x509_privkey_export_ecc_raw(m_key, &curve, &x.value, &y.value, &k.value) < 0 ||
        k.value.size != 32 || x.value.size != 32)
        util::fatal("export endpoint key");
    std::copy_n(k.value.data, 32, out.begin());
    std::copy_n(x.value.data, 32, out.begin() + 32);
    return out;
}

void SecretKey::CredentialsDeleter::operator()(gnutls_certificate_credentials_t creds) const
{
    gnutls_certificate_free_credentials(creds);
}

util::Result<SecretKey::Credentials> SecretKey::make_credentials() const
{
    gnutls_x509_crt_t raw_crt = nullptr;
    if (int rc = gnutls_x509_crt_init(&raw_crt); rc < 0)
        return std::unexpected(tls_error("create certificate", rc));
    Crt crt(raw_crt);
    std::uint8_t serial[16];
    util::random_bytes(serial);
    serial[0] &= 0x7F;
    std::time_t const now = std::time(nullptr);
    std::string const cn = m_id.to_string();
    int rc = gnutls_x509_crt_set_version(crt.get(), 3);
    if (rc >= 0)
        rc = gnutls_x509_crt_set_serial(crt.get(), serial, sizeof serial);
    if (rc >= 0)
        rc = gnutls_x509_crt_set_activation_time(crt.get(), now - 24 * 3600);
    if (rc >= 0)
        rc = gnutls_x509_crt_set_expiration_time(crt.get(), now + 365 * 24 * 3600);
    if (rc >= 0)
        rc = gnutls_x509_crt_set_dn_by_oid(crt.get(), GNUTLS_OID_X520_COMMON_NAME, 0, cn.data(),
                                           static_cast<unsigned>(cn.size()));
    if (rc >= 0)
        rc = gnutls_x509_crt_set_key(crt.get(), m_key);
    if (rc >= 0)
        rc = gnutls_x509_crt_sign2(crt.get(), crt.get(), m_key, GNUTLS_DIG_SHA512, 0);
    if (rc < 0)
        return std::unexpected(tls_error("build certificate", rc));

    gnutls_certificate_credentials_t raw_creds = nullptr;
    if (rc = gnutls_certificate_allocate_credentials(&raw_creds); rc < 0)
        return std::unexpected(tls_error("allocate credentials", rc));
    Credentials creds(raw_creds);
    gnutls_x509_crt_t chain[] = {crt.get()};
    if (rc = gnutls_certificate_set_x509_key(creds.get(), chain, 1, m_key); rc < 0)
        return std::unexpected(tls_error("install certificate", rc));
    return creds;
}

util::Result<EndpointId> certificate_endpoint_id(const gnutls_datum_t& der)
{
    gnutls_x509_crt_t raw_crt = nullptr;
    if (int rc = gnutls_x509_crt_init(&raw_crt); rc < 0)
        return std::unexpected(tls_error("create certificate", rc));
    Crt crt(raw_crt);
    if (int rc = gnutls_x509_crt_import(crt.get(), &der, GNUTLS_X509_FMT_DER); rc < 0)
        return std::unexpected(tls_error("read peer certificate", rc));
    gnutls_pubkey_t raw_pub = nullptr;
    gnutls_pubkey_init(&raw_pub);
    Pubkey pub(raw_pub);
    if (int rc = gnutls_pubkey_import_x509(pub.get(), crt.get(), 0); rc < 0)
        return std::unexpected(tls_error("read peer key", rc));
    if (gnutls_pubkey_get_pk_algorithm(pub.get(), nullptr) != GNUTLS_PK_EDDSA_ED25519)
        return util::fail("peer key is not Ed25519");
    gnutls_ecc_curve_t curve{};
    Datum x, y;
    if (int rc = gnutls_pubkey_export_ecc_raw2(pub.get(), &curve, &x.value, &y.value, 0); rc < 0)
        return std::unexpected(tls_error("export peer key", rc));
    return EndpointId::from_bytes(x.bytes());
}

} // namespace p2p
