#include "accessibility/readerlayer.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <string>
#include <utility>

#include <emscripten/bind.h>
#include <emscripten/val.h>

using emscripten::val;

namespace accessibility::web {
namespace {

std::string utf8(const QString &text)
{
    return text.toStdString();
}

// A rectangle in Qt's pixels from the top left corner of the page's screen element.
val box(const QRect &rect, const QPoint &origin)
{
    val result = val::object();
    result.set("x", rect.x() - origin.x());
    result.set("y", rect.y() - origin.y());
    result.set("width", rect.width());
    result.set("height", rect.height());
    return result;
}

QRect onScreen(const QWidget *widget)
{
    return {widget->mapToGlobal(QPoint(0, 0)), widget->size()};
}

// What the game tells a screen reader the object is called: a cell's place and mark.
QString nameOf(QObject *object)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(object);
    return iface ? iface->text(QAccessible::Name) : QString();
}

// A caption without the marker of its access key.
QString plain(QString caption)
{
    return caption.remove(u'&');
}

// What a text of the status line or a dialog reads as: sentences, each with its full stop.
QString sentence(const QString &text)
{
    const QString simple = text.simplified();
    if (simple.isEmpty() || simple.endsWith(u'.') || simple.endsWith(u'?') || simple.endsWith(u':'))
        return simple;
    return simple + u'.';
}

class Reader : public QObject
{
public:
    explicit Reader(QMainWindow *window);

    // Tells the page once the event being handled is over, so that it sees the whole of it.
    void changed() { m_push.start(); }
    void focus(const std::string &kind, int index);
    void activate(const std::string &kind, int index, int item);

    QString words; // said before the next focus's name
    bool wordsWaiting = false;

private:
    void push();
    val cells(const QPoint &origin) const;
    val menus(const QPoint &origin) const;
    val dialog(QWidget *modal, const QPoint &origin) const;
    val focused(QWidget *modal) const;
    QList<QAbstractButton *> buttonsOf(QWidget *modal) const;
    bool blocked() const
    {
        return QApplication::activeModalWidget() || QApplication::activePopupWidget();
    }

    QMainWindow *m_window;
    QList<QAbstractButton *> m_cells;
    QList<int> m_rowTops;
    QWidget *m_status = nullptr;
    QMenuBar *m_bar;
    QList<QMenu *> m_menus;
    QPointer<QWidget> m_wordsFor;
    QTimer m_push;
};

Reader *g_reader = nullptr;

Reader::Reader(QMainWindow *window) : QObject(window), m_window(window), m_bar(window->menuBar())
{
    // The board: the buttons of the client area, row by row, each row from the left (a cell
    // raised to show its whole focus frame comes last among its siblings).
    QWidget *client = window->centralWidget();
    m_cells = client->findChildren<QAbstractButton *>(Qt::FindDirectChildrenOnly);
    std::sort(m_cells.begin(), m_cells.end(), [](const QWidget *a, const QWidget *b) {
        return std::pair(a->y(), a->x()) < std::pair(b->y(), b->x());
    });
    for (const QAbstractButton *cell : m_cells) {
        if (!m_rowTops.contains(cell->y()))
            m_rowTops << cell->y();
    }
    std::sort(m_rowTops.begin(), m_rowTops.end());
    for (QWidget *child : client->findChildren<QWidget *>()) {
        const QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(child);
        if (iface && iface->role() == QAccessible::StatusBar)
            m_status = child;
    }
    for (QAction *entry : m_bar->actions()) {
        if (QMenu *menu = entry->menu()) {
            m_menus << menu;
            connect(menu, &QMenu::aboutToShow, this, &Reader::changed);
            connect(menu, &QMenu::aboutToHide, this, &Reader::changed);
            for (QAction *item : menu->actions()) {
                connect(item, &QAction::hovered, this, &Reader::changed);
                connect(item, &QAction::changed, this, &Reader::changed);
            }
        }
    }
    connect(m_bar, &QMenuBar::hovered, this, &Reader::changed);
    connect(qApp, &QApplication::focusChanged, this, &Reader::changed);

    m_push.setSingleShot(true);
    m_push.setInterval(0);
    connect(&m_push, &QTimer::timeout, this, &Reader::push);

    // Every change Qt would tell its own reader layer comes here instead, which leaves that
    // layer with nothing to say: a caption, a label, a name.
    QAccessible::installUpdateHandler([](QAccessibleEvent *) {
        if (g_reader)
            g_reader->changed();
    });
    val::global("zorbunyReader")
        .call<void>("start", val::module_property("zorbunyReaderFocus"),
                    val::module_property("zorbunyReaderActivate"));
    changed();
}

val Reader::cells(const QPoint &origin) const
{
    val result = val::array();
    for (QAbstractButton *cell : m_cells) {
        val entry = box(onScreen(cell), origin);
        entry.set("name", utf8(nameOf(cell)));
        entry.set("row", int(m_rowTops.indexOf(cell->y())));
        result.call<void>("push", entry);
    }
    return result;
}

val Reader::menus(const QPoint &origin) const
{
    val result = val::array();
    for (QMenu *menu : m_menus) {
        val entry = box(
            m_bar->actionGeometry(menu->menuAction()).translated(m_bar->mapToGlobal(QPoint(0, 0))),
            origin);
        entry.set("name", utf8(plain(menu->title())));
        entry.set("open", menu->isVisible());
        val items = val::array();
        for (QAction *action : menu->actions()) {
            val item =
                menu->isVisible()
                    ? box(menu->actionGeometry(action).translated(menu->mapToGlobal(QPoint(0, 0))),
                          origin)
                    : val::object();
            item.set("name", utf8(plain(action->text())));
            item.set("separator", action->isSeparator());
            item.set("checkable", action->isCheckable());
            item.set("checked", action->isChecked());
            item.set("enabled", action->isEnabled());
            items.call<void>("push", item);
        }
        entry.set("items", items);
        result.call<void>("push", entry);
    }
    return result;
}

QList<QAbstractButton *> Reader::buttonsOf(QWidget *modal) const
{
    return modal ? modal->findChildren<QAbstractButton *>() : QList<QAbstractButton *>();
}

val Reader::dialog(QWidget *modal, const QPoint &origin) const
{
    if (!modal || !modal->isVisible())
        return val::null();
    val result = box(modal->frameGeometry(), origin);
    const QString title = modal->windowTitle().trimmed();
    result.set("title", utf8(title));
    // Its texts in the order they were made, the heading that repeats the title left out.
    QStringList texts;
    for (const QLabel *label : modal->findChildren<QLabel *>()) {
        const QString text = label->text().simplified();
        if (label->isVisible() && !text.isEmpty() && text != title)
            texts << sentence(text);
    }
    result.set("text", utf8(texts.join(u' ')));
    val buttons = val::array();
    for (QAbstractButton *button : buttonsOf(modal)) {
        val entry = box(onScreen(button), origin);
        entry.set("name", utf8(plain(button->text())));
        buttons.call<void>("push", entry);
    }
    result.set("buttons", buttons);
    return result;
}

// Where the game's focus is: a cell, a menu of the bar, an item of an open menu, or a
// dialog's button.
val Reader::focused(QWidget *modal) const
{
    val result = val::object();
    std::string kind;
    int index = -1;
    int item = -1;
    QWidget *focus = QApplication::focusWidget();
    if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
        index = int(m_menus.indexOf(menu));
        item = int(menu->actions().indexOf(menu->activeAction()));
        kind = item >= 0 ? "item" : "menu";
    } else if (focus == m_bar) {
        kind = "menu";
        index =
            int(m_menus.indexOf(m_bar->activeAction() ? m_bar->activeAction()->menu() : nullptr));
    } else if (modal) {
        // The dialog's own focus, which it has before the page makes it the active window,
        // and before that its first button, where the focus goes as it opens.
        kind = "button";
        const QList<QAbstractButton *> buttons = buttonsOf(modal);
        index = std::max(int(buttons.indexOf(modal->focusWidget())), buttons.isEmpty() ? -1 : 0);
    } else if (focus) {
        kind = "cell";
        index = int(m_cells.indexOf(focus));
    }
    result.set("kind", index >= 0 ? kind : std::string());
    result.set("index", index);
    result.set("item", item);
    return result;
}

void Reader::push()
{
    const QPoint origin = m_window->screen()->geometry().topLeft();
    QWidget *modal = QApplication::activeModalWidget();
    QWidget *focus = QApplication::focusWidget();
    if (wordsWaiting) {
        m_wordsFor = focus;
        wordsWaiting = false;
    } else if (focus != m_wordsFor) {
        words.clear();
        m_wordsFor = nullptr;
    }

    val state = val::object();
    state.set("window", box(m_window->frameGeometry(), origin));
    state.set("cells", cells(origin));
    state.set("menus", menus(origin));
    state.set("dialog", dialog(modal, origin));
    state.set("focus", focused(modal));
    state.set("words", utf8(words));
    if (m_status) {
        val status = box(onScreen(m_status), origin);
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(m_status);
        QAccessibleTextInterface *text = iface ? iface->textInterface() : nullptr;
        status.set("text", utf8(text ? text->text(0, text->characterCount()) : QString()));
        state.set("status", status);
    }
    val::global("zorbunyReader").call<void>("update", state);
}

void Reader::focus(const std::string &kind, int index)
{
    if (kind == "cell" && index >= 0 && index < m_cells.size() && !blocked())
        m_cells[index]->setFocus(Qt::OtherFocusReason);
    changed();
}

// As a click of the mouse on it would: the reader's own "click" of an element.
void Reader::activate(const std::string &kind, int index, int item)
{
    if (kind == "cell" && index >= 0 && index < m_cells.size() && !blocked()) {
        m_cells[index]->setFocus(Qt::MouseFocusReason);
        m_cells[index]->click();
    } else if (kind == "menu" && index >= 0 && index < m_menus.size() &&
               !QApplication::activeModalWidget()) {
        m_bar->setActiveAction(m_menus[index]->menuAction());
    } else if (kind == "item" && index >= 0 && index < m_menus.size()) {
        const QList<QAction *> actions = m_menus[index]->actions();
        if (item >= 0 && item < actions.size() && actions[item]->isEnabled() &&
            !actions[item]->isSeparator()) {
            m_menus[index]->close();
            actions[item]->trigger();
        }
    } else if (kind == "alt" && !blocked() && !m_menus.isEmpty()) {
        // Alt pressed and let go alone, which Qt for WebAssembly never hands the menu bar as a
        // desktop's Qt does: the first menu opens at its first item, as its access key opens it.
        QMenu *first = m_menus.first();
        m_bar->setActiveAction(first->menuAction());
        const QList<QAction *> items = first->actions();
        const auto item = std::find_if(items.begin(), items.end(),
                                       [](const QAction *a) { return !a->isSeparator(); });
        if (item != items.end())
            first->setActiveAction(*item);
    } else if (kind == "button") {
        const QList<QAbstractButton *> buttons = buttonsOf(QApplication::activeModalWidget());
        if (index >= 0 && index < buttons.size())
            buttons[index]->click();
    }
    changed();
}

void readerFocus(std::string kind, int index)
{
    if (g_reader)
        g_reader->focus(kind, index);
}

void readerActivate(std::string kind, int index, int item)
{
    if (g_reader)
        g_reader->activate(kind, index, item);
}

} // namespace

void startReader(QWidget *mainWindow)
{
    if (auto *window = qobject_cast<QMainWindow *>(mainWindow); window && !g_reader) {
        g_reader = new Reader(window);
        QObject::connect(g_reader, &QObject::destroyed, [] { g_reader = nullptr; });
    }
}

void sayBeforeNextFocus(const QString &words)
{
    if (!g_reader)
        return;
    g_reader->words = words;
    g_reader->wordsWaiting = true;
    g_reader->changed();
}

} // namespace accessibility::web

EMSCRIPTEN_BINDINGS(zorbuny_reader)
{
    emscripten::function("zorbunyReaderFocus", &accessibility::web::readerFocus);
    emscripten::function("zorbunyReaderActivate", &accessibility::web::readerActivate);
}
