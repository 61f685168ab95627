"""The page played by ear, as a blind player plays it: Debian's Orca and Chromium, not
headless, keyboard only, from load to the computer's win, a refused move, the three menus
with their checked and greyed items, the status line on request, the rules and About, a
new game: the winning cell empty and silent of the last game, another line length checked in
place of the first; and the page read in browse mode, line by line to its end and back, and
button by button to a move. Each step's words are checked against everything Orca's debug
log says it spoke, so a phrase missing, repeated or out of place fails. What Orca said at
each step is written to orca-steps.txt beside the screenshots.
    python3 tests/web/tst_page_reader.py PAGE_FOLDER [LOG_FOLDER]
"""

import os
import re
import sys
import time
import unittest

from webpage import served

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from reader_desktop import ReaderDesktop, SessionError, missing, unavailable  # noqa: E402

PAGE = os.path.abspath(sys.argv.pop(1)) if len(sys.argv) > 1 else None
LOGS = os.path.abspath(sys.argv.pop(1)) if len(sys.argv) > 1 else "web-test"
SIDE = 14
FIRST_REPLY = 90
INTRO = ("Игра Зорбуны: ваши X против O компьютера на поле 14 на 14 клеток; выигрывает тот, "
         "кто первым выстроит ряд. Tab ведёт на поле, стрелки по клеткам, пробел или Enter "
         "ставит X. Меню открывает Alt.")
RULES_FIRST = "Цель игры - выстроить в ряд от 5 до 7 x (o) по горизонтали, вертикали или диагоналям"
RULES_LAST = 'Для выхода из игры нужно выбрать в пункте меню "Игра" команду "Выход"'
# X's moves that never threaten: whatever the computer draws from its equal choices, it has
# won by the fifth.
QUIET_MOVES = (0, 13, 182, 195, 2, 11, 184, 193, 4, 9, 186, 191)

# The words Orca adds of its own, which differ between its versions and its language: roles,
# the keys it echoes, its modes and its own messages. They are left out of the comparison, as
# the desktop test leaves them out; the game's words and the states of its items are kept.
ROLES = re.compile(r"(?:^|\s+)\b(push button|button|check menu item|menu item|menu bar|menu|"
                   r"tool bar|dialog|statusbar|status bar|frame|collapsed|expanded|"
                   r"opens menu|separator)\b")
ORCA_ONLY = re.compile(r"^(tab|space|return|escape|left alt|left shift|left control|insert|b|"
                       r"Focus mode|Browse mode|Screen reader on|Loading|Please wait|blank|"
                       r"Finished loading .*|Page has .*|.* - Chromium|Chromium|leaving .*|"
                       r"insert \| .*|[а-яё]|)$")


def open_page(session, url):
    """Chromium on the reader's desktop, the page in its one window."""
    # No offer to translate the page, which Orca would read first.
    session.write("chromium/Default/Preferences",
                  '{"translate": {"enabled": false}, "browser": {"has_seen_welcome_page": true}}')
    session.spawn(["chromium", "--user-data-dir=" + os.path.join(session.home, "chromium"),
                   "--no-first-run", "--no-default-browser-check",
                   "--disable-features=Translate,MediaRouter", "--password-store=basic",
                   "--disable-gpu", "--window-position=0,0", "--window-size=1024,768",
                   "--disable-dev-shm-usage", "--disable-extensions",
                   "--disable-background-networking", "--disable-sync",
                   "--disable-component-update", "--lang=ru",
                   # As in the page's other tests: root may not have the sandbox, nor may an
                   # ordinary user in a chroot or container without user namespaces, and then
                   # Chromium quits before it opens a window.
                   "--no-sandbox", url], "chromium")


def cell_name(index, mark=""):
    row, column = divmod(index, SIDE)
    return "ряд %d, столбец %d, %s" % (row + 1, column + 1, mark or "пусто")


def phrases(lines):
    """What was said, as the game's phrases in order: each utterance cut at each sentence's
    end, Orca's own words left out."""
    result = []
    for line in lines:
        # A role ends what it names: a dialog's title, before its text.
        for phrase in re.split(r"\.(?:\s+|$)", ROLES.sub(". ", line)):
            phrase = phrase.strip(" ,.")
            if not ORCA_ONLY.match(phrase):
                result.append(phrase)
    return result


def matches(said, wanted):
    """said is exactly wanted, but for optional phrases ("?") not said and phrases said any
    number of times ("*"); a phrase starting with "~" after those marks is a pattern."""
    at = 0
    for phrase in wanted:
        mark = phrase[0] if phrase[0] in "?*" else ""
        phrase = phrase[len(mark):]

        def fits(text):
            return re.fullmatch(phrase[1:], text) if phrase.startswith("~") else text == phrase
        if mark == "*":
            while at < len(said) and fits(said[at]):
                at += 1
        elif at < len(said) and fits(said[at]):
            at += 1
        elif mark != "?":
            return False
    return at == len(said)


def dialog(title, text):
    """A dialog's title, its text and its OK: Orca 43 says "dialog" between the title and the
    text, Orca 48 runs them on in one sentence."""
    first = text[0][1:] if text[0].startswith("~") else re.escape(text[0])
    return ["~" + re.escape(title) + "( " + first + ")?", "?" + text[0]] + text[1:] + ["OK"]


class ReaderTest(unittest.TestCase):
    def setUp(self):
        self.record = open(os.path.join(LOGS, "orca-steps.txt"), "w", encoding="utf-8")
        self.addCleanup(self.record.close)
        self.heard = 0

    def step(self, what, keys, wanted, settle=0.8, timeout=20, besides=()):
        """Presses keys (xdotool's names, "alt" for the Alt key alone), waits until Orca has
        said the last wanted phrase and then nothing for a while, and compares all it said
        with wanted."""
        session = self.session
        for key in keys:
            session.keys(key)
            time.sleep(0.15)
        must = [p for p in wanted if not p[0] in "?*"]
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            said = phrases(session.speech()[self.heard:])
            if not must or must[-1] in said:
                break
            time.sleep(0.1)
        session.settle(quiet=settle)
        lines = session.speech()[self.heard:]
        self.heard += len(lines)
        self.record.write("%s [%s]\n    %s\n" % (what, " ".join(keys), "\n    ".join(
            repr(line) for line in lines) or "(nothing)"))
        self.record.flush()
        said = [phrase for phrase in phrases(lines) if phrase not in besides]
        self.assertTrue(matches(said, wanted),
                        "%s: Orca said %r, wanted %r" % (what, lines, wanted))
        return lines

    def test_a_whole_game_by_ear(self):
        with served(PAGE) as site:
            url = site.url
            try:
                session = ReaderDesktop(LOGS).__enter__()
            except SessionError as error:
                self.fail(str(error))
            self.addCleanup(session.__exit__, None, None, None)
            open_page(session, url)
            self.session = session
            self.play(session)

    def play(self, session):
        session.settle(quiet=1.5)
        # On load: what the page is and how to start, once; no English of the page's own.
        # Orca reads the page's first line as each part of it finishes loading, whenever that
        # is: the note that the game loads, or the menu bar.
        self.step("load", [], phrases([INTRO]), settle=1.5,
                  besides=("Загрузка игры…", "Игра", "Условие", "Справка", "Меню"))
        self.board = {}
        self.won = None
        self.at = 1
        # Tab comes to the board, where the game's focus moves on from its first cell. The
        # browser's Tab lands on that first cell; on a busy machine Orca names it before the
        # move on reaches it.
        self.step("reaching the board", ["Tab"], ["?Поле", "?" + cell_name(0), cell_name(1)])
        self.step("an arrow key", ["Left"], [cell_name(0)])
        self.at = 0
        self.go_to(14)
        self.go_to(0)
        replies = [self.play_move(0)]
        # A refused move on a marked cell: its name again.
        self.step("a refused move", ["space"], [cell_name(replies[0], "O")])
        self.step("the status line on request", ["KP_Insert+KP_Enter", "KP_Insert+KP_Enter"],
                  [r"~Время игры: 0:0\d:\d\d", "Длина ряда: 5", "Ход: 1"])
        # The line length greyed during a game, its check told.
        self.step("the game menu", ["Alt_L"], ["Игра", "Новая игра"])
        self.step("the next menu", ["Right"], ["Условие", "5 в ряду", "checked grayed"])
        self.step("a greyed item", ["Down"], ["6 в ряду", "not checked grayed"])
        self.step("a greyed item refused", ["Return"], [])
        self.step("the menu closed", ["Escape"], ["Условие"])
        self.step("back to the board", ["Escape"], ["?Поле", cell_name(self.at, "O")])
        # Out of the computer's way until it has won.
        for target in QUIET_MOVES:
            if target in self.board:
                continue
            self.go_to(target)
            replies.append(self.play_move(target))
            if self.ended:
                break
        self.assertTrue(self.ended, "the computer had not won")
        won = self.at
        # A move on the locked board is refused, and said so.
        empty = next(c for c in (self.at + 1, self.at - 1, self.at + SIDE, self.at - SIDE)
                     if 0 <= c < SIDE * SIDE and c not in self.board)
        # The ended game reviewed, its clock stopped, as a reader reads a page first.
        self.read_in_browse_mode()
        self.go_to(empty)
        self.step("a move on the ended game", ["space"], [cell_name(empty), "Игра окончена"])
        # About and the rules: each text once, then back to the board.
        self.step("the help menu", ["Alt_L", "Left"], ["Игра", "Новая игра", "Справка",
                                                       "Правила игры"])
        self.step("About chosen", ["Down"], ["О программе"])
        self.step("About", ["Return"], dialog("О программе Зорбуны", ["Игра Зорбуны", "Версия 1.1",
                                                                       "Кто первым выстроит ряд?"]))
        self.step("About closed", ["Return"], ["?Поле", cell_name(empty)])
        self.step("the rules chosen", ["Alt_L", "Left"], ["Игра", "Новая игра", "Справка",
                                                          "Правила игры"])
        rules = self.rules()
        self.step("the rules", ["Return"], dialog("Правила игры Зорбуны", rules))
        self.step("the rules closed", ["Return"], ["?Поле", cell_name(empty)])
        # A new game: the board empty again, the line length free to choose.
        self.step("a new game", ["Alt_L", "Return"], ["Игра", "Новая игра", "?Поле",
                                                      cell_name(empty)])
        self.board.clear()
        self.won = None
        # The cell that won is empty, and tells no more of the last game.
        self.go_to(won)
        self.step("the line length before a game", ["Alt_L", "Right"],
                  ["Игра", "Новая игра", "Условие", "5 в ряду", "checked"])
        self.step("another line length", ["Down"], ["6 в ряду", "not checked"])
        self.step("six in a row chosen", ["Return"], ["?Поле", cell_name(won)])
        self.step("the line length chosen", ["Alt_L", "Right", "Down"],
                  ["Игра", "Новая игра", "Условие", "5 в ряду", "not checked", "6 в ряду", "checked"])
        self.step("out of the menu", ["Escape", "Escape"], ["Условие", "?Поле", cell_name(won)])
        reply = FIRST_REPLY if won != FIRST_REPLY else FIRST_REPLY + 1
        self.step("the first move of the new game", ["space"],
                  [cell_name(won, "X"), cell_name(reply, "O")])
        self.board.update({won: "X", reply: "O"})
        # In browse mode, B from the top button by button through the cells, and Space on
        # the first empty one after the third plays there.
        self.browse_mode()
        self.step("the top again", ["ctrl+Home"], [])
        cell = 0
        while True:
            self.step("B to button %d" % cell, ["b"], self.cell(cell))
            if cell >= 2 and cell not in self.board:
                break
            cell += 1
        self.play_move(cell)

    def read_in_browse_mode(self):
        """The page in browse mode, as a reader reads it: from the top, Down line by line (the
        menu bar once, the board a row a line with each cell's mark, how the game ended told
        at the cell that won it, the status line, the opening words) to the end and Up back,
        the caret never held or pulled back; then B to the first cell, where focus mode takes
        the keys to the game again."""
        self.browse_mode()
        moves = sum(mark == "X" for mark in self.board.values())
        page = [("the menu bar", ["Игра", "Условие", "Справка"])]
        for row in range(SIDE):
            cells = range(row * SIDE, (row + 1) * SIDE)
            page.append(("ряд %d" % (row + 1), sum((self.cell(cell) for cell in cells), [])))
        page += [("the status line", [r"~Время игры: 0:0\d:\d\d", "Длина ряда: 5",
                                      "Ход: %d" % moves]),
                 ("the opening words", phrases([INTRO]))]
        self.step("the top", ["ctrl+Home"], [])
        for what, wanted in page:
            self.step(what + " by Down", ["Down"], wanted)
        self.step("past the end", ["Down"], [])
        for what, wanted in reversed(page[:-1]):
            self.step(what + " by Up", ["Up"], wanted)
        self.step("B to the first cell", ["b"], self.cell(0))
        self.step("focus mode", ["KP_Insert+a"], [])
        self.at = 0

    def browse_mode(self):
        """Orca+A: Orca's keys move its own caret in the page, no longer the game's focus."""
        lines = self.step("browse mode", ["KP_Insert+a"], [])
        self.assertTrue(any(line.startswith("Browse mode") for line in lines),
                        "Orca did not switch to browse mode: %r" % lines)

    def rules(self):
        """The rules' sentences, once: the first and the last as the game words them, the
        nine between any text."""
        return [RULES_FIRST] + ["~.+"] * 9 + [RULES_LAST]

    def cell(self, index):
        """What a cell says: its name and mark, and how the game ended at the cell that won."""
        return [cell_name(index, self.board.get(index, ""))] + ["Компьютер выиграл"] * (
            index == self.won)

    def go_to(self, target):
        """Arrow keys from the focused cell to target, each cell's name heard on the way."""
        while self.at != target:
            row, column = divmod(self.at, SIDE)
            goal_row, goal_column = divmod(target, SIDE)
            if row != goal_row:
                key, step = ("Down", SIDE) if goal_row > row else ("Up", -SIDE)
            else:
                key, step = ("Right", 1) if goal_column > column else ("Left", -1)
            self.at += step
            self.step("arrow to %d" % self.at, [key], self.cell(self.at))

    def play_move(self, cell):
        """Space on the focused cell: the X and the computer's reply heard as one; the
        reply's place read from what was said."""
        self.board[cell] = "X"
        before = self.heard
        self.step("a move on %d" % cell, ["space"],
                  [cell_name(cell, "X"), "~ряд \\d+, столбец \\d+, O", "?Компьютер выиграл"])
        said = " ".join(self.session.speech()[before:])
        row, column = map(int, re.findall(r"ряд (\d+), столбец (\d+), O", said)[-1])
        reply = (row - 1) * SIDE + column - 1
        self.board[reply] = "O"
        self.at = reply
        self.ended = "Компьютер выиграл" in said
        self.won = reply if self.ended else None
        return reply


if __name__ == "__main__":
    if not PAGE or not os.path.isfile(os.path.join(PAGE, "index.html")):
        sys.exit("usage: tst_page_reader.py PAGE_FOLDER (a folder made by make web)")
    if missing("chromium"):
        unavailable("the page's reader test needs " + missing("chromium"))
    os.makedirs(LOGS, exist_ok=True)
    unittest.main(verbosity=2)
