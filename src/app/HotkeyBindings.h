#pragma once

#include <QString>

#include <array>
#include <optional>

class SettingsFile;

// The four global hotkeys: Alt+Shift+F9 (show the window), Alt+F9 (record), Alt+F10 (stop), Alt+F11
// (play), or the combinations the settings file gives under hotkeys/show, hotkeys/record, hotkeys/stop and
// hotkeys/play in Qt's key-sequence text ("Ctrl+Alt+R"). A setting that is empty, does not parse into
// modifiers and a key we can register, or repeats the combination of a command before it (in the order
// below) leaves its command without a hotkey: the menus then show the command without a combination.
class HotkeyBindings
{
  public:
    // In the order the hotkeys are registered.
    enum Command { Show, Record, Stop, Play };
    static constexpr int CommandCount = 4;

    struct Binding {
        unsigned modifiers = 0; // Modifier::Alt, Modifier::Control, Modifier::Shift
        int virtualKey = 0;
        QString text; // as the tray menu and the tool tips show it
    };

    // The defaults alone.
    HotkeyBindings();
    // The defaults, with what the settings file sets under hotkeys/.
    static HotkeyBindings fromSettings(const SettingsFile &settings);

    // None when the command has no hotkey (its setting did not parse).
    const std::optional<Binding> &binding(Command command) const { return m_bindings[command]; }
    // The command whose hotkey is (modifiers, virtual key), if any.
    std::optional<Command> commandOf(unsigned modifiers, int virtualKey) const;
    // The key names ("VK_MENU"...) of the stop hotkey's modifiers, which the stop command's clean-up
    // removes from the end of a recording.
    QList<QByteArray> stopModifierKeyNames() const;
    // The text shown for a command: its combination; empty when the command has no hotkey.
    QString text(Command command) const;

    // A key-sequence text as modifiers and a virtual key; none when it is not one combination of
    // Alt/Ctrl/Shift with a key we know.
    static std::optional<Binding> parse(const QString &text);

  private:
    std::array<std::optional<Binding>, CommandCount> m_bindings;
};
