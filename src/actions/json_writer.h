#pragma once
// Compact JSON output through RapidJSON's SAX handlers: rapidjson::Writer for text and
// rapidjson::Document for value trees, driven by one Emitter so that both forms come from the
// same code. Output has no spaces or line breaks; strings escape '"', '\\' and control
// characters and keep every other character as raw UTF-8. A string that is not well-formed
// UTF-8 is written with U+FFFD in place of each ill-formed sequence, so the output is always
// text that a strict reader accepts. Objects are used on one thread at a time.

#include <cstddef>
#include <cstdint>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
#include <string>
#include <string_view>
#include <vector>

namespace chat::actions::json {

// Returns whether `text` is well-formed UTF-8: no overlong forms, no surrogates, nothing above
// U+10FFFF, no truncated sequence.
bool is_valid_utf8(std::string_view text);

// Returns `text` with each maximal ill-formed subsequence replaced by U+FFFD.
std::string repair_utf8(std::string_view text);

// Sends JSON events to a RapidJSON SAX handler. Counts members and elements itself, because a
// Document needs them at the end of each object and array. ok() turns false if the handler
// refused an event or a string was too long for RapidJSON's 32-bit lengths.
template <typename Handler> class Emitter {
  public:
    explicit Emitter(Handler& handler) : m_handler(handler) {}

    void begin_object()
    {
        count_value();
        note(m_handler.StartObject());
        m_levels.push_back({true, 0});
    }
    void end_object()
    {
        note(!m_levels.empty() && m_levels.back().is_object);
        note(m_handler.EndObject(pop_count()));
    }
    void begin_array()
    {
        count_value();
        note(m_handler.StartArray());
        m_levels.push_back({false, 0});
    }
    void end_array()
    {
        note(!m_levels.empty() && !m_levels.back().is_object);
        note(m_handler.EndArray(pop_count()));
    }
    void key(std::string_view name)
    {
        if (!m_levels.empty())
            ++m_levels.back().count;
        with_valid_utf8(name, [&](std::string_view valid) {
            note(m_handler.Key(valid.data(), static_cast<rapidjson::SizeType>(valid.size()), true));
        });
    }
    void string(std::string_view text)
    {
        count_value();
        with_valid_utf8(text, [&](std::string_view valid) {
            note(m_handler.String(valid.data(), static_cast<rapidjson::SizeType>(valid.size()),
                                  true));
        });
    }
    void boolean(bool value)
    {
        count_value();
        note(m_handler.Bool(value));
    }
    void null()
    {
        count_value();
        note(m_handler.Null());
    }
    void integer(std::int64_t value)
    {
        count_value();
        note(m_handler.Int64(value));
    }
    void integer(std::uint64_t value)
    {
        count_value();
        note(m_handler.Uint64(value));
    }
    void integer(std::uint32_t value)
    {
        count_value();
        note(m_handler.Uint(value));
    }

    bool ok() const { return m_ok && m_levels.empty(); }

  private:
    struct Level {
        bool is_object;
        rapidjson::SizeType count;
    };

    void note(bool accepted) { m_ok = m_ok && accepted; }
    void count_value()
    {
        if (!m_levels.empty() && !m_levels.back().is_object)
            ++m_levels.back().count;
    }
    rapidjson::SizeType pop_count()
    {
        if (m_levels.empty())
            return 0;
        rapidjson::SizeType count = m_levels.back().count;
        m_levels.pop_back();
        return count;
    }
    template <typename Write> void with_valid_utf8(std::string_view text, Write&& write)
    {
        if (text.size() > max_string_size) {
            note(false);
            text = {};
        }
        if (is_valid_utf8(text)) {
            write(text);
        } else {
            std::string repaired = repair_utf8(text);
            write(std::string_view(repaired));
        }
    }

    static constexpr std::size_t max_string_size = 0xFFFF'FFFFu / 4;

    Handler& m_handler;
    std::vector<Level> m_levels;
    bool m_ok = true;
};

using TextHandler = rapidjson::Writer<rapidjson::StringBuffer>;

// Collects compact JSON text.
class TextWriter {
  public:
    explicit TextWriter(std::size_t initial_capacity = 256);

    Emitter<TextHandler>& emitter() { return m_emitter; }

    // Returns the text written. Ends the program with `fatal_message` when the events did not
    // form exactly one complete value: that is a fault of the caller, never of the data.
    std::string take(std::string_view fatal_message);

  private:
    rapidjson::StringBuffer m_buffer;
    TextHandler m_writer;
    Emitter<TextHandler> m_emitter;
};

using ValueAllocator = rapidjson::MemoryPoolAllocator<>;
using ValueHandler = rapidjson::GenericDocument<rapidjson::UTF8<>, ValueAllocator>;

// Builds a value tree whose strings and nodes live in `allocator`: `emit(Emitter<ValueHandler>&)`
// sends the events of one value. Ends the program with `fatal_message` when they did not form
// exactly one complete value.
template <typename Emit>
rapidjson::Value build_value(ValueAllocator& allocator, Emit&& emit,
                             std::string_view fatal_message);

[[noreturn]] void fail_encoding(std::string_view fatal_message);

template <typename Emit>
rapidjson::Value build_value(ValueAllocator& allocator, Emit&& emit, std::string_view fatal_message)
{
    ValueHandler document(&allocator);
    bool complete = false;
    auto generate = [&](ValueHandler& handler) {
        Emitter<ValueHandler> emitter(handler);
        emit(emitter);
        complete = emitter.ok();
        return complete;
    };
    document.Populate(generate);
    if (!complete)
        fail_encoding(fatal_message);
    rapidjson::Value value;
    value.Swap(document);
    return value;
}

} // namespace chat::actions::json
