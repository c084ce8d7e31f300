// The touch controls: a direction pad and the X, Z and give-up buttons press the keys the
// keyboard would, so the menus, the keypad and play all work by touch. Every finger holds the
// control under it, sliding onto another control moves the press there, and a key is held while
// any finger or the keyboard holds it; a control is lit while any finger holds it. Shown at once
// on a touch-only device, and after the first touch on one that has a mouse too; the key help is
// shown only where there is a keyboard.
'use strict';

(() => {
  const pads = [document.getElementById('pad-left'), document.getElementById('pad-right')];
  const keyHelp = document.getElementById('keys');
  const fingers = new Map(); // pointer id -> the control it holds, or null
  const held = new Map(); // key -> how many fingers hold it
  const fingersOn = new Map(); // control -> how many fingers hold it
  const keyboard = new Set(); // the keys the keyboard holds, as the controls name them
  const keyName = (key) => (key.length === 1 ? key.toLowerCase() : key);

  const hasTouch = navigator.maxTouchPoints > 0;
  const hasMouse = matchMedia('(any-pointer: fine)').matches;
  function showControls() {
    for (const pad of pads) pad.hidden = false;
  }
  if (hasTouch && !hasMouse) showControls();
  keyHelp.hidden = hasTouch && !hasMouse;
  window.addEventListener('keydown', (event) => {
    if (!event.isTrusted) return;
    keyHelp.hidden = false;
    keyboard.add(keyName(event.key));
  }, true);
  // Heard before the game hears it: a key the keyboard lets go of that a finger still holds
  // stays held.
  window.addEventListener('keyup', (event) => {
    if (!event.isTrusted) return;
    keyboard.delete(keyName(event.key));
    if (held.get(keyName(event.key)) > 0) event.stopImmediatePropagation();
  }, true);

  function sendKey(type, key) {
    window.dispatchEvent(new KeyboardEvent(type, { key, bubbles: true }));
  }
  function keysOf(control) {
    return control ? control.dataset.keys.split(' ').filter((key) => key) : [];
  }
  function hold(control, delta) {
    if (!control) return;
    const fingersThere = (fingersOn.get(control) || 0) + delta;
    fingersOn.set(control, fingersThere);
    control.classList.toggle('held', fingersThere > 0);
    for (const key of keysOf(control)) {
      const count = (held.get(key) || 0) + delta;
      held.set(key, count);
      if (keyboard.has(key)) continue; // the game has it held already, and keeps it so
      if (count === 1 && delta > 0) sendKey('keydown', key);
      if (count === 0) sendKey('keyup', key);
    }
  }
  function controlAt(x, y) {
    const element = document.elementFromPoint(x, y);
    return element && element.dataset && element.dataset.keys !== undefined &&
      element.closest('.pad') ? element : null;
  }
  function move(event) {
    if (!fingers.has(event.pointerId)) return;
    const control = controlAt(event.clientX, event.clientY);
    const before = fingers.get(event.pointerId);
    if (control === before) return;
    fingers.set(event.pointerId, control);
    hold(control, +1);
    hold(before, -1);
  }
  function lift(event) {
    if (!fingers.has(event.pointerId)) return;
    hold(fingers.get(event.pointerId), -1);
    fingers.delete(event.pointerId);
  }
  function releaseAll() {
    for (const control of fingers.values()) hold(control, -1);
    fingers.clear();
    keyboard.clear(); // the game lets go of every key too
  }

  for (const pad of pads) {
    pad.addEventListener('pointerdown', (event) => {
      event.preventDefault();
      // A touch captures its finger: moves and the lift come here wherever the finger goes.
      fingers.set(event.pointerId, null);
      move(event);
    });
  }
  window.addEventListener('pointerdown', (event) => {
    if (event.pointerType === 'touch') showControls();
  }, true);
  window.addEventListener('pointermove', move);
  window.addEventListener('pointerup', lift);
  window.addEventListener('pointercancel', lift);
  window.addEventListener('blur', releaseAll);
  document.addEventListener('visibilitychange', releaseAll);
  // No long-press menu, and no double-tap zoom, over the game.
  document.addEventListener('contextmenu', (event) => event.preventDefault());
  document.addEventListener('dblclick', (event) => event.preventDefault());
})();
