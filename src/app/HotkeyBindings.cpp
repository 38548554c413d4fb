#include "HotkeyBindings.h"

#include "SettingsFile.h"
#include "platform/Platform.h"

#include <QKeySequence>

namespace
{

constexpr int VK_F1 = 0x70;

// The settings file's key of each command, in the order of Command.
SettingsFile::Key settingOf(int command)
{
    return SettingsFile::Key(SettingsFile::HotkeyShow + command);
}

// The virtual-key code of a Qt key; 0 for keys a hotkey cannot use.
int virtualKeyOf(int key)
{
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return VK_F1 + (key - Qt::Key_F1);
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return key; // the same codes
    switch (key) {
    case Qt::Key_Space:
        return 0x20;
    case Qt::Key_PageUp:
        return 0x21;
    case Qt::Key_PageDown:
        return 0x22;
    case Qt::Key_End:
        return 0x23;
    case Qt::Key_Home:
        return 0x24;
    case Qt::Key_Left:
        return 0x25;
    case Qt::Key_Up:
        return 0x26;
    case Qt::Key_Right:
        return 0x27;
    case Qt::Key_Down:
        return 0x28;
    case Qt::Key_Insert:
        return 0x2D;
    case Qt::Key_Delete:
        return 0x2E;
    case Qt::Key_Pause:
        return 0x13;
    case Qt::Key_Escape:
        return 0x1B;
    default:
        return 0;
    }
}

} // namespace

HotkeyBindings::HotkeyBindings()
{
    for (int command = 0; command < CommandCount; ++command)
        m_bindings[command] = parse(QString::fromLatin1(SettingsFile::keys()[settingOf(command)].defaultValue));
}

HotkeyBindings HotkeyBindings::fromSettings(const SettingsFile &settings)
{
    HotkeyBindings bindings;
    for (int command = 0; command < CommandCount; ++command) {
        if (const std::optional<QString> text = settings.text(settingOf(command)))
            bindings.m_bindings[command] = parse(*text);
    }
    // One key, one command: a combination an earlier command already has is not used again, or the menu
    // would name it twice and the key would do both.
    for (int command = 1; command < CommandCount; ++command) {
        auto &binding = bindings.m_bindings[command];
        for (int earlier = 0; binding && earlier < command; ++earlier) {
            const auto &other = bindings.m_bindings[earlier];
            if (other && other->modifiers == binding->modifiers && other->virtualKey == binding->virtualKey)
                binding.reset();
        }
    }
    return bindings;
}

std::optional<HotkeyBindings::Binding> HotkeyBindings::parse(const QString &text)
{
    const QKeySequence sequence = QKeySequence::fromString(text.trimmed(), QKeySequence::PortableText);
    if (sequence.count() != 1)
        return std::nullopt;
    const QKeyCombination combination = sequence[0];
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    if (modifiers & ~(Qt::AltModifier | Qt::ControlModifier | Qt::ShiftModifier))
        return std::nullopt;
    const int virtualKey = virtualKeyOf(combination.key());
    if (virtualKey == 0)
        return std::nullopt;
    Binding binding;
    binding.modifiers = (modifiers & Qt::AltModifier ? Modifier::Alt : 0) |
                        (modifiers & Qt::ControlModifier ? Modifier::Control : 0) |
                        (modifiers & Qt::ShiftModifier ? Modifier::Shift : 0);
    binding.virtualKey = virtualKey;
    binding.text = sequence.toString(QKeySequence::PortableText);
    return binding;
}

std::optional<HotkeyBindings::Command> HotkeyBindings::commandOf(unsigned modifiers, int virtualKey) const
{
    for (int command = 0; command < CommandCount; ++command) {
        const auto &binding = m_bindings[command];
        if (binding && binding->modifiers == modifiers && binding->virtualKey == virtualKey)
            return Command(command);
    }
    return std::nullopt;
}

QList<QByteArray> HotkeyBindings::stopModifierKeyNames() const
{
    QList<QByteArray> names;
    const auto &stop = m_bindings[Stop];
    if (!stop)
        return names;
    if (stop->modifiers & Modifier::Alt)
        names << QByteArrayLiteral("VK_MENU");
    if (stop->modifiers & Modifier::Control)
        names << QByteArrayLiteral("VK_CONTROL");
    if (stop->modifiers & Modifier::Shift)
        names << QByteArrayLiteral("VK_SHIFT");
    return names;
}

QString HotkeyBindings::text(Command command) const
{
    return m_bindings[command] ? m_bindings[command]->text : QString();
}
