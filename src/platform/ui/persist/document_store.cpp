#include "platform/ui/persist/document_store.h"

#include <chrono>
#include <sqlite3.h>

#include <spdlog/spdlog.h>

#include "platform/util/file.h"

namespace ruvo_ui::persist {

namespace fs = std::filesystem;

namespace {

constexpr const char* format_version = "1";

// Why an open failed: a damaged database is moved aside, anything else is reported.
enum class Failure {
    Damaged,
    Other,
};

struct OpenError {
    Failure failure;
    std::string message;
};

template <typename T>
using Attempt = std::expected<T, OpenError>;

std::unexpected<OpenError> damaged(std::string message) { return std::unexpected(OpenError{Failure::Damaged, std::move(message)}); }
std::unexpected<OpenError> other(std::string message) { return std::unexpected(OpenError{Failure::Other, std::move(message)}); }

bool is_damage(int code)
{
    code &= 0xff;
    return code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
}

struct Statement {
    sqlite3_stmt* stmt = nullptr;
    ~Statement() { sqlite3_finalize(stmt); }
};

std::unexpected<OpenError> sql_failure(sqlite3* db, int code, std::string_view what)
{
    auto message = fmt::format("{}: {}", what, db ? sqlite3_errmsg(db) : sqlite3_errstr(code));
    return is_damage(code) ? damaged(std::move(message)) : other(std::move(message));
}

Attempt<void> exec(sqlite3* db, const char* sql, std::string_view what = "cannot update the store")
{
    int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        return sql_failure(db, rc, what);
    return {};
}

util::Result<void> exec_plain(sqlite3* db, const char* sql)
{
    if (auto done = exec(db, sql); !done)
        return util::fail(done.error().message);
    return {};
}

util::Result<void> insert_blob(sqlite3* db, const char* sql, std::span<const std::uint8_t> bytes)
{
    Statement s;
    int rc = sqlite3_prepare_v2(db, sql, -1, &s.stmt, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_bind_blob64(s.stmt, 1, bytes.data(), bytes.size(), SQLITE_STATIC);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(s.stmt);
    if (rc != SQLITE_DONE)
        return util::fail("{}: {}", sql, sqlite3_errmsg(db));
    return {};
}

// Runs `body` inside one transaction, rolling back when it fails.
template <typename Body>
util::Result<void> in_transaction(sqlite3* db, Body&& body)
{
    if (auto begun = exec_plain(db, "BEGIN IMMEDIATE"); !begun)
        return begun;
    auto done = body();
    if (!done) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        return done;
    }
    return exec_plain(db, "COMMIT");
}

Attempt<sqlite3*> open_database(const fs::path& path)
{
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        auto failure = sql_failure(db, rc, "cannot open the database");
        sqlite3_close(db);
        return failure;
    }
    sqlite3_busy_timeout(db, 5'000);
    // auto_vacuum takes effect only in a new database, before its first table.
    const char* setup = "PRAGMA auto_vacuum=INCREMENTAL;"
                        "PRAGMA journal_mode=WAL;"
                        "PRAGMA synchronous=FULL;"
                        "CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);"
                        "CREATE TABLE IF NOT EXISTS snapshot(id INTEGER PRIMARY KEY CHECK (id = 1), bytes BLOB NOT NULL);"
                        "CREATE TABLE IF NOT EXISTS changes(seq INTEGER PRIMARY KEY AUTOINCREMENT, bytes BLOB NOT NULL);"
                        "CREATE TABLE IF NOT EXISTS quarantine(seq INTEGER PRIMARY KEY, bytes BLOB NOT NULL,"
                        " reason TEXT NOT NULL);"
                        "INSERT OR IGNORE INTO meta(key, value) VALUES('format', '1');";
    if (auto ready = exec(db, setup, "cannot prepare the database"); !ready) {
        sqlite3_close(db);
        return std::unexpected(ready.error());
    }
    return db;
}

Attempt<std::optional<std::string>> read_meta(sqlite3* db, const char* key)
{
    Statement s;
    int rc = sqlite3_prepare_v2(db, "SELECT value FROM meta WHERE key = ?", -1, &s.stmt, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_bind_text(s.stmt, 1, key, -1, SQLITE_STATIC);
    if (rc != SQLITE_OK)
        return sql_failure(db, rc, "cannot read the store's settings");
    rc = sqlite3_step(s.stmt);
    if (rc == SQLITE_ROW)
        return std::optional<std::string>(reinterpret_cast<const char*>(sqlite3_column_text(s.stmt, 0)));
    if (rc == SQLITE_DONE)
        return std::optional<std::string>();
    return sql_failure(db, rc, "cannot read the store's settings");
}

struct Loaded {
    crdt::Document document;
    std::uint64_t log_length = 0;
    bool legacy_merged = false;
};

Attempt<Loaded> load(sqlite3* db)
{
    auto format = read_meta(db, "format");
    if (!format)
        return std::unexpected(format.error());
    if (*format != format_version)
        return other(fmt::format("the store has format {}, which this program does not know", format->value_or("?")));
    auto legacy = read_meta(db, "legacy_merged");
    if (!legacy)
        return std::unexpected(legacy.error());

    Loaded loaded;
    loaded.legacy_merged = legacy->has_value();
    {
        Statement s;
        int rc = sqlite3_prepare_v2(db, "SELECT bytes FROM snapshot WHERE id = 1", -1, &s.stmt, nullptr);
        if (rc != SQLITE_OK)
            return sql_failure(db, rc, "cannot read the snapshot");
        rc = sqlite3_step(s.stmt);
        if (rc == SQLITE_ROW) {
            auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(s.stmt, 0));
            auto size = static_cast<std::size_t>(sqlite3_column_bytes(s.stmt, 0));
            auto document = crdt::Document::load({data, size});
            if (!document)
                return damaged("the snapshot does not load: " + document.error().message);
            loaded.document = std::move(*document);
        } else if (rc != SQLITE_DONE) {
            return sql_failure(db, rc, "cannot read the snapshot");
        }
    }

    std::vector<std::pair<std::int64_t, std::string>> bad_rows;
    {
        Statement s;
        int rc = sqlite3_prepare_v2(db, "SELECT seq, bytes FROM changes ORDER BY seq", -1, &s.stmt, nullptr);
        if (rc != SQLITE_OK)
            return sql_failure(db, rc, "cannot read the change log");
        while ((rc = sqlite3_step(s.stmt)) == SQLITE_ROW) {
            auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(s.stmt, 1));
            auto size = static_cast<std::size_t>(sqlite3_column_bytes(s.stmt, 1));
            if (auto applied = loaded.document.apply_changes({data, size}); !applied)
                bad_rows.emplace_back(sqlite3_column_int64(s.stmt, 0), applied.error().message);
            ++loaded.log_length;
        }
        if (rc != SQLITE_DONE)
            return sql_failure(db, rc, "cannot read the change log");
    }
    // A change that does not apply is kept aside rather than deleted, so nothing is lost for good.
    for (const auto& [seq, reason] : bad_rows) {
        spdlog::warn("document store: change {} does not apply ({}); moved it to quarantine", seq, reason);
        Statement s;
        int rc = sqlite3_prepare_v2(db, "INSERT OR REPLACE INTO quarantine(seq, bytes, reason) "
                                        "SELECT seq, bytes, ?2 FROM changes WHERE seq = ?1", -1, &s.stmt, nullptr);
        if (rc == SQLITE_OK)
            rc = sqlite3_bind_int64(s.stmt, 1, seq);
        if (rc == SQLITE_OK)
            rc = sqlite3_bind_text(s.stmt, 2, reason.c_str(), -1, SQLITE_TRANSIENT);
        if (rc == SQLITE_OK)
            rc = sqlite3_step(s.stmt);
        if (rc != SQLITE_DONE)
            return sql_failure(db, rc, "cannot quarantine a change");
        if (auto removed = exec(db, fmt::format("DELETE FROM changes WHERE seq = {}", seq).c_str()); !removed)
            return std::unexpected(removed.error());
        --loaded.log_length;
    }
    return loaded;
}

void move_aside(const fs::path& path, const std::string& reason)
{
    auto stamp = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
    auto aside = path;
    aside += fmt::format(".damaged-{}", stamp);
    std::error_code ec;
    fs::rename(path, aside, ec);
    for (const char* suffix : {"-wal", "-shm"}) {
        auto from = path;
        from += suffix;
        auto to = aside;
        to += suffix;
        std::error_code ignored;
        if (fs::exists(from, ignored))
            fs::rename(from, to, ignored);
    }
    spdlog::error("document store {} is damaged ({}); moved it to {} and started a fresh store", path.string(), reason,
                  aside.string());
}

util::Result<void> write_snapshot(sqlite3* db, std::span<const std::uint8_t> bytes)
{
    return in_transaction(db, [&]() -> util::Result<void> {
        if (auto put = insert_blob(db, "INSERT OR REPLACE INTO snapshot(id, bytes) VALUES(1, ?)", bytes); !put)
            return put;
        return exec_plain(db, "DELETE FROM changes");
    });
}

} // namespace

util::Result<Handle> open_store(const fs::path& dir, std::string_view name, StoreOptions options,
                                const std::optional<fs::path>& legacy_document)
{
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec)
        return util::fail("cannot create the document store folder {}: {}", dir.string(), ec.message());
    auto path = dir / (std::string(name) + ".sqlite");

    sqlite3* db = nullptr;
    Loaded loaded;
    for (int attempt = 0;; ++attempt) {
        auto opened = open_database(path);
        Attempt<Loaded> result = opened ? load(*opened) : std::unexpected(opened.error());
        if (result) {
            db = *opened;
            loaded = std::move(*result);
            break;
        }
        if (opened)
            sqlite3_close(*opened);
        if (result.error().failure != Failure::Damaged || attempt > 0)
            return util::fail("cannot open the document store {}: {}", path.string(), result.error().message);
        move_aside(path, result.error().message);
    }

    auto& doc = loaded.document;
    // What was just loaded is on disk already; start the incremental saves after it.
    (void)doc.save_incremental();

    if (legacy_document && !loaded.legacy_merged) {
        std::error_code exists_ec;
        if (!fs::exists(*legacy_document, exists_ec)) {
            loaded.legacy_merged = true;
            (void)exec_plain(db, "INSERT OR REPLACE INTO meta(key, value) VALUES('legacy_merged', 'absent')");
        } else if (auto bytes = util::read_file(*legacy_document); !bytes) {
            spdlog::warn("cannot read the legacy document {}: {}", legacy_document->string(), bytes.error().message);
        } else if (auto legacy = crdt::Document::load(*bytes); !legacy) {
            spdlog::warn("the legacy document {} does not load: {}", legacy_document->string(), legacy.error().message);
        } else if (auto merged = doc.merge(*legacy); !merged) {
            spdlog::warn("cannot merge the legacy document {}: {}", legacy_document->string(), merged.error().message);
        } else {
            auto changes = doc.save_incremental();
            auto written = in_transaction(db, [&]() -> util::Result<void> {
                if (!changes.empty()) {
                    if (auto put = insert_blob(db, "INSERT INTO changes(bytes) VALUES(?)", changes); !put)
                        return put;
                }
                return exec_plain(db, "INSERT OR REPLACE INTO meta(key, value) VALUES('legacy_merged', 'merged')");
            });
            if (!written) {
                sqlite3_close(db);
                return util::fail("cannot store the legacy document: {}", written.error().message);
            }
            loaded.legacy_merged = true;
            loaded.log_length += changes.empty() ? 0 : 1;
            spdlog::info("merged the legacy document {} into the document store", legacy_document->string());
        }
    }

    if (loaded.log_length >= options.compact_after_changes) {
        auto snapshot = doc.save();
        if (auto written = write_snapshot(db, snapshot); written)
            loaded.log_length = 0;
        else
            spdlog::warn("cannot compact the document store: {}", written.error().message);
    }

    return Handle(new DocumentStore(std::move(path), db, std::move(doc), loaded.log_length, loaded.legacy_merged,
                                    options));
}

util::Result<Handle> open(const fs::path& dir, std::string_view name)
{
    return open_store(dir, name, {}, std::nullopt);
}

util::Result<Handle> open_migrating(const fs::path& dir, std::string_view name, const fs::path& legacy_document)
{
    return open_store(dir, name, {}, legacy_document);
}

DocumentStore::DocumentStore(fs::path path, sqlite3* db, crdt::Document document, std::uint64_t log_length,
                             bool legacy_merged, StoreOptions options)
    : m_path(std::move(path))
    , m_db(db)
    , m_document(std::move(document))
    , m_options(options)
    , m_legacy_merged(legacy_merged)
    , m_log_length(log_length)
{
    m_writer = std::thread([this] { run_writer(); });
}

DocumentStore::~DocumentStore()
{
    save_committed();
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_writer.join();
    sqlite3_close(m_db);
}

std::uint64_t DocumentStore::save_committed()
{
    if (m_document.pending_ops() > 0)
        m_document.commit();
    auto bytes = m_document.save_incremental();
    if (bytes.empty())
        return m_generation;
    post(Job{Job::Kind::Append, std::move(bytes), ++m_generation});
    return m_generation;
}

void DocumentStore::compact()
{
    save_committed();
    post(Job{Job::Kind::Snapshot, m_document.save(), ++m_generation});
}

void DocumentStore::maybe_compact()
{
    bool long_log;
    {
        std::lock_guard lock(m_mutex);
        long_log = m_log_length >= m_options.compact_after_changes;
    }
    if (long_log)
        compact();
}

std::uint64_t DocumentStore::changes_in_log() const
{
    std::lock_guard lock(m_mutex);
    return m_log_length;
}

std::uint64_t DocumentStore::durable_generation() const
{
    std::lock_guard lock(m_mutex);
    return m_durable;
}

util::Result<void> DocumentStore::flush()
{
    std::unique_lock lock(m_mutex);
    auto target = m_generation;
    m_written.wait(lock, [&] { return m_durable >= target || m_error; });
    if (m_durable >= target)
        return {};
    return util::fail(*m_error);
}

void DocumentStore::post(Job job)
{
    {
        std::lock_guard lock(m_mutex);
        // Consecutive appends merge into one write: change bytes concatenate.
        if (job.kind == Job::Kind::Append && !m_jobs.empty() && m_jobs.back().kind == Job::Kind::Append) {
            auto& last = m_jobs.back();
            last.bytes.insert(last.bytes.end(), job.bytes.begin(), job.bytes.end());
            last.generation = job.generation;
        } else if (job.kind == Job::Kind::Snapshot && !m_jobs.empty() && m_jobs.back().kind == Job::Kind::Snapshot) {
            m_jobs.back() = std::move(job);
        } else {
            m_jobs.push_back(std::move(job));
        }
    }
    m_wake.notify_one();
}

util::Result<void> DocumentStore::write(const Job& job)
{
    if (job.kind == Job::Kind::Snapshot) {
        auto written = write_snapshot(m_db, job.bytes);
        // The log just became garbage; give its pages back instead of keeping a large WAL.
        if (written) {
            sqlite3_exec(m_db, "PRAGMA incremental_vacuum", nullptr, nullptr, nullptr);
            sqlite3_wal_checkpoint_v2(m_db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
        }
        return written;
    }
    return insert_blob(m_db, "INSERT INTO changes(bytes) VALUES(?)", job.bytes);
}

void DocumentStore::run_writer()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [&] { return m_stopping || !m_jobs.empty(); });
        if (m_jobs.empty())
            return; // stopping with nothing left to write
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        lock.unlock();
        auto written = write(job);
        lock.lock();
        if (written) {
            m_durable = std::max(m_durable, job.generation);
            m_log_length = job.kind == Job::Kind::Snapshot ? 0 : m_log_length + 1;
            m_error.reset();
        } else {
            spdlog::error("document store {}: {}", m_path.string(), written.error().message);
            m_error = written.error().message;
            if (m_stopping) {
                m_written.notify_all();
                return; // give up: nothing more can be done at exit
            }
            // Keep the job and try again shortly (a full disk may clear).
            m_jobs.push_front(std::move(job));
            m_written.notify_all();
            m_wake.wait_for(lock, std::chrono::seconds(1), [&] { return m_stopping; });
            continue;
        }
        m_written.notify_all();
    }
}

} // namespace ruvo_ui::persist
