#include "core/StreamUi.h"

#include <QRegularExpression>

namespace belvanto {

Answer StreamUi::answerFor(Buttons buttons) const
{
    if (!defaultAnswer_) return safeAnswer(buttons);
    const Answer wanted = *defaultAnswer_;
    if (offers(buttons, wanted)) return wanted;
    if (wanted == Answer::Yes || wanted == Answer::Ok) {
        return offers(buttons, Answer::Yes) ? Answer::Yes : Answer::Ok;
    }
    return safeAnswer(buttons);
}

void StreamUi::write(const QString& label, const QString& text, const QString& answer)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    QString line = label + QStringLiteral(": ") + text;
    line.replace(lineBreak, QStringLiteral("\n  "));
    if (!answer.isNull()) line += QStringLiteral(" [answer: ") + answer + QLatin1Char(']');
    line += QLatin1Char('\n');
    std::fputs(line.toUtf8().constData(), out_);
    std::fflush(out_);
}

Answer StreamUi::message(MessageKind kind, const QString& text, Buttons buttons, const HelpTopic&)
{
    const Answer answer = answerFor(buttons);
    write(messageKindName(kind), text, buttons == Buttons::Ok ? QString() : answerName(answer));
    return answer;
}

std::optional<int> StreamUi::selectString(const QString& caption, const QString& prompt,
                                          const QStringList& items, const HelpTopic&)
{
    const bool valid = selection_ && *selection_ >= 0 && *selection_ < items.size();
    write(QStringLiteral("selection"), caption + QStringLiteral(": ") + prompt,
          valid ? items.at(*selection_) : answerName(Answer::Cancel));
    if (!valid) return std::nullopt;
    return selection_;
}

bool StreamUi::showList(const QString& title, const QString& text, const QStringList& items,
                        const HelpTopic&)
{
    const Answer answer = answerFor(Buttons::OkCancel);
    QString body = title + QStringLiteral(": ") + text;
    for (const QString& item : items) body += QLatin1Char('\n') + item;
    write(QStringLiteral("list"), body, answerName(answer));
    return answer == Answer::Ok;
}

void StreamUi::status(const QString& text)
{
    if (verbose_ && !text.isEmpty()) write(QStringLiteral("status"), text);
}

} // namespace belvanto
