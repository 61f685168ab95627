#pragma once

#include <QAccessibleTextInterface>
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

} // namespace accessibility
