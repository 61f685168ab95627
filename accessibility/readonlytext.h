#pragma once

#include <QAccessibleTextInterface>
#include <QAccessibleWidget>
#include <QLabel>
#include <QPoint>
#include <QRect>
#include <QString>

namespace accessibility {

// A text interface that only reads out a text made when it is asked for: no caret, nothing
// to edit, and either all of the text selected or none of it.
class ReadOnlyText : public QAccessibleTextInterface
{
public:
    QString text(int startOffset, int endOffset) const override
    {
        return whole().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(whole().size()); }
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override
    {
        *startOffset = 0;
        *endOffset = selectionIndex < selectionCount() ? characterCount() : 0;
    }
    int selectionCount() const override { return wholeSelected() && !whole().isEmpty() ? 1 : 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int *startOffset, int *endOffset) const override
    {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

protected:
    virtual QString whole() const = 0;
    virtual bool wholeSelected() const = 0;
};

// A status bar whose text is its labels' texts, read from them when asked, so
// that a reader hears what they show at that moment: "Время игры: 0:01:05.
// Длина ряда: 5. Ход: 3." Orca 48 needs it, as it skips Qt 6.8's labels,
// which have no text of their own; the web page's reader layer reads it too.
class StatusBarAccessible : public QAccessibleWidget, public ReadOnlyText
{
public:
    explicit StatusBarAccessible(QWidget *line) : QAccessibleWidget(line, QAccessible::StatusBar) {}
    using QAccessibleWidget::text; // the accessible name's, and the text interface's below
    using ReadOnlyText::text;

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

private:
    bool wholeSelected() const override { return false; }
    // A caption ends in a colon and its value follows it; a value ends a sentence.
    QString whole() const override
    {
        QString result;
        for (const QLabel *label : widget()->findChildren<QLabel *>(Qt::FindDirectChildrenOnly)) {
            const QString text = label->text();
            result += text.endsWith(u':') ? text + u' ' : text + QStringLiteral(". ");
        }
        return result.trimmed();
    }
};

} // namespace accessibility
