#pragma once
// User-facing strings looked up by key in a catalogue compiled into the program, as one text
// of "key = value" lines with "#" comment lines and blank lines. The I18nManager holds the
// active catalogue and a revision number that changes whenever it is replaced, so callers can
// drop measurements of translated labels. UI thread.

#include "platform/util/result.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ruvo_ui {

class EmbeddedCatalog {
  public:
    // Parses the catalogue text. Errors name the line: a non-comment line without " = ", an
    // empty key, or a key given twice.
    static util::Result<EmbeddedCatalog> parse(std::string_view locale, std::string_view text);

    // The value for `key`; the key itself when the catalogue has no such entry, so a missing
    // string shows up visibly instead of as an empty label.
    std::string t(std::string_view key) const;
    bool contains(std::string_view key) const;
    const std::string& locale() const { return m_locale; }
    std::size_t size() const { return m_entries.size(); }

  private:
    std::string m_locale;
    std::unordered_map<std::string, std::string> m_entries;
};

class I18nManager {
  public:
    // The process-wide manager.
    static I18nManager& instance();

    void set_catalog(EmbeddedCatalog catalog);
    const EmbeddedCatalog& catalog() const { return m_catalog; }
    std::string t(std::string_view key) const { return m_catalog.t(key); }
    // Starts at 0 and grows by one with every set_catalog.
    std::uint64_t revision() const { return m_revision; }

  private:
    EmbeddedCatalog m_catalog;
    std::uint64_t m_revision = 0;
};

} // namespace ruvo_ui
