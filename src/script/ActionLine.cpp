#include "ActionLine.h"

namespace
{

constexpr std::array<QByteArrayView, RecordedActionCount> kRecordedTexts = {
    "", "KeyDown()", "KeyUp()", "Move()", "LDown()", "LUp()", "RDown()", "RUp()", "MDown()", "MUp()",
};

constexpr std::array<QByteArrayView, 6> kButtonWords = {"LDown", "LUp", "RDown", "RUp", "MDown", "MUp"};

QByteArrayView toText(QByteArrayView view, QByteArrayView)
{
    return view;
}
QString toText(QStringView view, const QString &)
{
    return view.toString();
}

template <typename Text, typename View> ParameterFields<Text> splitFields(View rest)
{
    ParameterFields<Text> fields;
    auto take = [&rest]() {
        const auto separator = rest.indexOf(';');
        if (separator < 0)
            return Text();
        Text field = toText(rest.first(separator), Text());
        rest = rest.sliced(separator + 1);
        return field;
    };
    fields.first = take();
    fields.second = take();
    fields.third = toText(rest, Text());
    return fields;
}

} // namespace

QByteArrayView recordedActionText(RecordedAction action)
{
    return kRecordedTexts[static_cast<std::size_t>(action)];
}

RecordedAction recordedActionFromText(QByteArrayView text)
{
    // Called for every row of a file that opens. The length and the first letter tell the nine texts apart,
    // so at most one is compared byte for byte.
    for (std::size_t i = 1; i < kRecordedTexts.size(); ++i) {
        const QByteArrayView known = kRecordedTexts[i];
        if (known.size() != text.size() || known.front() != text.front())
            continue;
        for (qsizetype at = 1; at < known.size(); ++at) {
            if (known[at] != text[at])
                return RecordedAction::None;
        }
        return static_cast<RecordedAction>(i);
    }
    return RecordedAction::None;
}

ParameterFields<QByteArrayView> splitParameters(QByteArrayView parameters)
{
    return splitFields<QByteArrayView>(parameters);
}

ParameterFields<QString> splitParameters(const QString &parameters)
{
    return splitFields<QString>(QStringView(parameters));
}

QString joinParameters(const QString &first, const QString &second, const QString &third)
{
    return first + u';' + second + u';' + third;
}

RowKind classifyAction(QByteArrayView action)
{
    RowKind kind;
    kind.mouse = action.contains("Move");
    for (const QByteArrayView word : kButtonWords)
        kind.mouse = kind.mouse || action.contains(word);
    kind.keyDown = action.contains("KeyDown()");
    kind.keyUp = action.contains("KeyUp()");
    return kind;
}

QByteArrayView mouseButtonWord(MouseButtonAction button)
{
    return kButtonWords[static_cast<std::size_t>(button)];
}
