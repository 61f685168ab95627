"use strict";
// The page's own reader layer: what a screen reader reads and where the browser's focus
// rests, laid over the game as Qt draws it, clear and out of the pointer's way. The game
// tells it after each change what it shows and where its focus is
// (accessibility/readerlayer.cpp); the layer shows the same, moves the browser's focus after
// the game's, and hands every key back to the game, so the game plays by its own rules
// whatever reads it. Qt's own layer is switched off, so nothing is said twice.
window.zorbunyReader = (() => {
  const layer = document.getElementById("reader");
  const screen = document.getElementById("screen");
  // What the player hears as the game starts.
  const intro = "Игра Зорбуны: ваши X против O компьютера на поле 14 на 14 клеток; " +
    "выигрывает тот, кто первым выстроит ряд. Tab ведёт на поле, стрелки по клеткам, пробел " +
    "или Enter ставит X. Меню открывает Alt.";
  let focusGame = null, activateGame = null;
  let placing = false; // the layer itself is moving the focus
  let target = null; // the element that stands for the game's focus
  const cells = [], bar = [], menus = [], items = [];
  let grid, status, dialog, dialogTitle, dialogText, dialogButtons, buttons = [];

  function make(tag, role, parent, label) {
    const element = document.createElement(tag);
    if (role)
      element.setAttribute("role", role);
    if (label !== undefined)
      element.textContent = label;
    parent.append(element);
    return element;
  }

  // Qt's pixels to the page's, from the top left corner of the game's screen.
  function place(element, box) {
    const scale = window.zorbunyScale || 1;
    element.style.left = box.x * scale + "px";
    element.style.top = box.y * scale + "px";
    element.style.width = box.width * scale + "px";
    element.style.height = box.height * scale + "px";
  }

  function build(state) {
    // No name of its own: Orca 43 takes a named menu bar or tool bar for one whole object,
    // and Down from its line in browse mode goes back into it instead of on.
    const menubar = make("div", "menubar", layer);
    state.menus.forEach((menu, index) => {
      const holder = make("div", "none", menubar);
      const entry = make("div", "menuitem", holder, menu.name);
      entry.setAttribute("aria-haspopup", "menu");
      entry.tabIndex = -1;
      entry.dataset.kind = "menu";
      entry.dataset.index = index;
      bar.push(entry);
      const list = make("div", "menu", holder);
      list.setAttribute("aria-label", menu.name);
      list.hidden = true;
      menus.push(list);
      items.push(menu.items.map((item, at) => {
        const element = make("div", item.separator ? "separator" : "menuitem", list);
        if (!item.separator) {
          element.tabIndex = -1;
          element.dataset.kind = "item";
          element.dataset.index = index;
          element.dataset.item = at;
        }
        return element;
      }));
    });

    // The board as tool bars of buttons, one a row: a reader hands a tool bar's keys to the
    // page, as it does a grid's, and speaks each cell as the game names it, where a grid would
    // add row and column numbers of its own. Orca's browse mode reads a tool bar from its
    // start when Up comes to it from below: a row each, Up goes back row by row.
    grid = make("div", "none", layer);
    let row = null;
    state.cells.forEach((cell, index) => {
      if (!row || row.dataset.row !== String(cell.row)) {
        row = make("div", "toolbar", grid);
        row.dataset.row = cell.row;
      }
      const element = make("div", "button", row);
      element.tabIndex = -1;
      element.dataset.kind = "cell";
      element.dataset.index = index;
      cells.push(element);
    });

    // Read on request, never of itself: the clock changes it every second.
    status = make("div", "status", layer);
    status.setAttribute("aria-live", "off");

    dialog = make("div", "dialog", layer);
    dialog.hidden = true;
    dialogTitle = make("div", null, dialog);
    dialogTitle.id = "reader-dialog-title";
    dialogText = make("div", null, dialog);
    dialogText.id = "reader-dialog-text";
    dialogButtons = make("div", "none", dialog);
    dialog.setAttribute("aria-labelledby", dialogTitle.id);
    dialog.setAttribute("aria-describedby", dialogText.id);
  }

  // A text is set only when it changed, so that the reader is not told of it again.
  function say(element, text) {
    if (element.textContent !== text)
      element.textContent = text;
  }

  function showMenus(state) {
    state.menus.forEach((menu, index) => {
      say(bar[index], menu.name);
      place(bar[index], menu);
      bar[index].setAttribute("aria-expanded", String(menu.open));
      if (menu.open)
        menus[index].hidden = false;
      menu.items.forEach((item, at) => {
        const element = items[index][at];
        if (menu.open)
          place(element, item);
        if (item.separator)
          return;
        element.setAttribute("role", item.checkable ? "menuitemcheckbox" : "menuitem");
        if (item.checkable)
          element.setAttribute("aria-checked", String(item.checked));
        element.setAttribute("aria-disabled", String(!item.enabled));
        say(element, item.name);
      });
    });
  }

  // The dialog's elements stay, its texts change: a reader keeps its hold on them.
  function showDialog(state) {
    const shown = state.dialog;
    if (!shown)
      return;
    dialog.hidden = false;
    say(dialogTitle, shown.title);
    say(dialogText, shown.text);
    while (buttons.length < shown.buttons.length) {
      const element = make("div", "button", dialogButtons);
      element.tabIndex = -1;
      element.dataset.kind = "button";
      element.dataset.index = buttons.length;
      buttons.push(element);
    }
    buttons.forEach((element, index) => {
      const button = shown.buttons[index];
      element.hidden = !button;
      if (button) {
        say(element, button.name);
        place(element, button);
      }
    });
  }

  function elementFor(focus) {
    switch (focus.kind) {
      case "cell": return cells[focus.index];
      case "menu": return bar[focus.index];
      case "item": return items[focus.index][focus.item];
      case "button": return buttons[focus.index];
      default: return null;
    }
  }

  // The layer holds the browser's focus once the player has come to it, or pressed a key with
  // the focus nowhere, unless the player took it elsewhere in the page since.
  let engaged = false;
  function holding() {
    const active = document.activeElement;
    return layer.contains(active) || screen.contains(active) ||
      engaged && (!active || active === document.body);
  }

  function update(state) {
    if (!grid)
      build(state);
    showMenus(state);
    showDialog(state);
    // Orca 43 reads a status bar by its name, Orca 48 by its name and then its text: the
    // name alone says it once to both.
    const line = state.status ? state.status.text : "";
    if (status.getAttribute("aria-label") !== line)
      status.setAttribute("aria-label", line);
    if (state.status)
      place(status, state.status);

    const next = elementFor(state.focus);
    state.cells.forEach((cell, index) => {
      const element = cells[index];
      place(element, cell);
      // The cell that keeps the focus keeps its words too: the game says its change itself.
      if (element !== next || target !== next)
        say(element, cell.name);
    });
    if (next && next !== target && state.focus.kind === "cell" && state.words) {
      const words = state.words.endsWith(".") ? state.words : state.words + ".";
      say(next, words + " " + state.cells[state.focus.index].name);
    }
    cells.forEach(element => element.tabIndex = element === next ? 0 : -1);
    target = next;
    if (target && holding() && document.activeElement !== target) {
      placing = true;
      target.focus({ preventScroll: true });
      placing = false;
    }
    // What closed is hidden only now: hidden while it had the browser's focus, it would hand
    // the focus to the page first, and Orca would take the next element for one outside it.
    state.menus.forEach((menu, index) => menus[index].hidden = !menu.open);
    dialog.hidden = !state.dialog;
  }

  // The reader moved the browser's focus onto a cell: the game's focus goes there too.
  layer.addEventListener("focusin", event => {
    if (placing || !focusGame)
      return;
    const element = event.target;
    if (element.dataset.kind === "cell" && element !== target)
      focusGame("cell", Number(element.dataset.index));
  });

  // The reader's own click on an element: as the mouse's on what it stands for.
  layer.addEventListener("click", event => {
    const element = event.target.closest("[data-kind]");
    if (element && activateGame)
      activateGame(element.dataset.kind, Number(element.dataset.index),
                   Number(element.dataset.item ?? -1));
  });

  // Every key goes to the game as if pressed on its window; what the game takes, the browser
  // does not act on.
  function handOn(event) {
    const qtWindow = screen.querySelector("*")?.shadowRoot?.querySelector(".qt-window");
    if (!qtWindow)
      return;
    const copy = new KeyboardEvent(event.type, {
      key: event.key, code: event.code, location: event.location, repeat: event.repeat,
      altKey: event.altKey, ctrlKey: event.ctrlKey, shiftKey: event.shiftKey,
      metaKey: event.metaKey, cancelable: true,
    });
    if (!qtWindow.dispatchEvent(copy))
      event.preventDefault();
    event.stopPropagation();
  }
  layer.addEventListener("keydown", handOn);
  layer.addEventListener("keyup", handOn);
  // Alt pressed and let go alone takes the keys to the menu bar, as Qt does on a desktop; Qt
  // for WebAssembly never sees it so, and the game is told.
  let loneAlt = false;
  for (const type of ["keydown", "keyup"]) {
    document.addEventListener(type, event => {
      if (event.key !== "Alt")
        loneAlt = false;
      else if (type === "keydown")
        loneAlt = !event.repeat || loneAlt;
      else if (loneAlt && activateGame) {
        loneAlt = false;
        activateGame("alt", -1, -1);
      }
    }, true);
  }
  // With the focus nowhere yet, a key still goes to the game, and the focus comes to the layer.
  for (const type of ["keydown", "keyup"]) {
    document.addEventListener(type, event => {
      if (event.target === document.body) {
        engaged = true;
        handOn(event);
        if (target && event.type === "keyup" && document.activeElement === document.body)
          target.focus({ preventScroll: true });
      }
    });
  }

  // Qt's windows take no focus of the browser's: the layer holds it for them.
  function keepOut(root) {
    for (const canvas of root.querySelectorAll("canvas[contenteditable]"))
      canvas.removeAttribute("contenteditable");
  }
  // Qt gives a window's canvas the focus as it shows it, before the canvas above loses its
  // editability; the layer would then hand the focus back, and Orca takes the element that
  // gets it then for one outside the page. Qt's canvases are not focused at all.
  const focusElement = HTMLElement.prototype.focus;
  HTMLCanvasElement.prototype.focus = function (options) {
    if (!screen.contains(this.getRootNode().host ?? this))
      focusElement.call(this, options);
  };
  screen.addEventListener("focusin", () => {
    setTimeout(() => target && holding() && target.focus({ preventScroll: true }));
  });

  return {
    // Called by the game once its main window is shown.
    start(focus, activate) {
      focusGame = focus;
      activateGame = activate;
      // What Qt would show a screen reader is hidden from it, and so are its windows' titles
      // and buttons, which the layer stands for.
      screen.setAttribute("aria-hidden", "true");
      const root = screen.querySelector("*")?.shadowRoot;
      if (root) {
        const style = document.createElement("style");
        style.textContent = ".qt-window-a11y-container { display: none; }";
        root.append(style);
        keepOut(root);
        new MutationObserver(() => keepOut(root)).observe(root, { childList: true, subtree: true });
      }
      // Qt's hidden text field takes the browser's focus with every move of the game's, and a
      // reader calls it an entry; the game has no text to type, so it takes none.
      for (const input of document.querySelectorAll("body > input")) {
        input.blur();
        input.inert = true;
        input.setAttribute("aria-hidden", "true");
      }
      // The game is ready, the focus nowhere yet: what it is and how to start.
      document.getElementById("reader-told").textContent = intro;
    },
    update,
    // The game has ended: the page's closing words and its link take the focus.
    end() {
      layer.hidden = true;
      target = null;
      document.querySelector("#ended a").focus();
    },
  };
})();
