#include "platform/ui/catalog.h"

namespace ruvo_ui {

static std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

util::Result<EmbeddedCatalog> EmbeddedCatalog::parse(std::string_view locale, std::string_view text)
{
    EmbeddedCatalog catalog;
    catalog.m_locale = std::string(locale);
    std::size_t line_number = 0;
    while (!text.empty()) {
        ++line_number;
        auto newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view{} : text.substr(newline + 1);
        std::string_view content = trim(line);
        if (content.empty() || content.front() == '#')
            continue;
        if (content.starts_with("= ") || content == "=")
            return util::fail("catalogue line {} has an empty key", line_number);
        auto sep = content.find(" = ");
        if (sep == std::string_view::npos)
            return util::fail("catalogue line {} has no \" = \"", line_number);
        auto key = trim(content.substr(0, sep));
        auto value = content.substr(sep + 3);
        if (key.empty())
            return util::fail("catalogue line {} has an empty key", line_number);
        if (!catalog.m_entries.emplace(std::string(key), std::string(value)).second)
            return util::fail("catalogue line {} repeats the key {}", line_number, key);
    }
    return catalog;
}

std::string EmbeddedCatalog::t(std::string_view key) const
{
    if (auto it = m_entries.find(std::string(key)); it != m_entries.end())
        return it->second;
    return std::string(key);
}

bool EmbeddedCatalog::contains(std::string_view key) const
{
    return m_entries.contains(std::string(key));
}

I18nManager& I18nManager::instance()
{
    static I18nManager manager;
    return manager;
}

void I18nManager::set_catalog(EmbeddedCatalog catalog)
{
    m_catalog = std::move(catalog);
    ++m_revision;
}

} // namespace ruvo_ui
