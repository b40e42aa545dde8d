#pragma once
// Keeps one CRDT document in an SQLite database (WAL mode): a snapshot of the whole document plus
// a log of the changes committed since, each appended in its own transaction. Opening loads the
// snapshot and replays the log; a long log is folded into a new snapshot.
//
// Threads: the store and its document belong to the thread that opened it (the UI thread).
// Writes to disk happen on the store's own writer thread; the owner hands changes over without
// waiting for I/O. A crash at any moment loses at most the changes not yet written; it never
// makes the store unreadable. A database that cannot be read is moved aside and replaced by a
// fresh one, with a log line saying where the old file went.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/crdt/document.h"
#include "platform/util/result.h"

typedef struct sqlite3 sqlite3;

namespace ruvo_ui::persist {

struct StoreOptions {
    // Fold the log into a snapshot when it holds this many changes at open, or when
    // maybe_compact finds it this long.
    std::uint64_t compact_after_changes = 2'000;
};

class DocumentStore {
public:
    // Opens `<dir>/<name>.sqlite`, creating the folder and the database as needed.
    static util::Result<std::unique_ptr<DocumentStore>> open(const std::filesystem::path& dir, std::string_view name,
                                                             StoreOptions options = {});
    // Writes what is pending and stops the writer thread.
    ~DocumentStore();
    DocumentStore(const DocumentStore&) = delete;
    DocumentStore& operator=(const DocumentStore&) = delete;

    crdt::Document& document() { return m_document; }
    const std::filesystem::path& path() const { return m_path; }

    // Commits the document's open transaction, then hands every change committed since the
    // previous call to the writer. Returns the generation that will be durable once written.
    std::uint64_t save_committed();

    // The latest generation known to be on disk.
    std::uint64_t durable_generation() const;

    // Waits until everything handed over is on disk; the writer's error if it failed.
    util::Result<void> flush();

    // Replaces the snapshot with the whole current document and drops the log it covers.
    void compact();

    // Compacts when the log has grown past the configured length.
    void maybe_compact();

    // Whether a legacy document has been merged into this store, now or at an earlier open.
    bool legacy_merged() const { return m_legacy_merged; }

    std::uint64_t changes_in_log() const;

private:
    struct Job {
        enum class Kind { Append, Snapshot } kind;
        std::vector<std::uint8_t> bytes;
        std::uint64_t generation;
    };

    friend util::Result<std::unique_ptr<DocumentStore>> open_store(const std::filesystem::path&, std::string_view,
                                                                   StoreOptions,
                                                                   const std::optional<std::filesystem::path>&);

    DocumentStore(std::filesystem::path path, sqlite3* db, crdt::Document document, std::uint64_t log_length,
                  bool legacy_merged, StoreOptions options);
    void run_writer();
    util::Result<void> write(const Job& job);
    void post(Job job);

    std::filesystem::path m_path;
    sqlite3* m_db;
    crdt::Document m_document;
    StoreOptions m_options;
    std::uint64_t m_generation = 0;
    bool m_legacy_merged = false;

    // Shared with the writer thread under m_mutex.
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_written;
    std::deque<Job> m_jobs;
    std::uint64_t m_durable = 0;
    std::uint64_t m_log_length = 0;
    std::optional<std::string> m_error;
    bool m_stopping = false;
    std::thread m_writer;
};

using Handle = std::unique_ptr<DocumentStore>;

// Opens the store and, when `legacy_document` is given and not yet merged, merges it.
util::Result<Handle> open_store(const std::filesystem::path& dir, std::string_view name, StoreOptions options,
                                const std::optional<std::filesystem::path>& legacy_document);

// The store of `name` in `dir`.
util::Result<Handle> open(const std::filesystem::path& dir, std::string_view name);

// As open, and the first time only, merges the document saved at `legacy_document` (the CRDT
// library's save format) into the store. The legacy file is only read, never changed. A
// missing legacy file counts as merged; an unreadable one is reported in the log and tried
// again at the next open.
util::Result<Handle> open_migrating(const std::filesystem::path& dir, std::string_view name,
                                    const std::filesystem::path& legacy_document);

} // namespace ruvo_ui::persist
