#pragma once
// The system clipboard as text inputs see it. The window host installs the platform's
// clipboard at start-up; without one (headless shots, tests) a process-local clipboard keeps
// copy and paste working inside the process. UI thread.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ruvo_ui {

class Clipboard {
  public:
    virtual ~Clipboard() = default;
    virtual std::optional<std::string> text() const = 0;
    virtual void set_text(std::string_view text) = 0;
};

// A clipboard that lives in this process only.
class LocalClipboard final : public Clipboard {
  public:
    std::optional<std::string> text() const override { return m_text; }
    void set_text(std::string_view text) override { m_text = std::string(text); }

  private:
    std::optional<std::string> m_text;
};

// The process-wide clipboard (a LocalClipboard until one is installed).
Clipboard& clipboard();
// Installs `clipboard` process-wide; null restores the local one.
void set_clipboard(std::unique_ptr<Clipboard> clipboard);

} // namespace ruvo_ui
