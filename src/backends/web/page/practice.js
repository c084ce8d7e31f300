// Practice, as the desktop's --practice: the "Practice" switch (or ?practice in the address)
// starts a new game with it, and every game after until switched off. Backspace held (or the
// touch "rewind" button) rewinds through the last minute of the stage, [ and ] set the speed
// (100%, 50%, 25%), . holds the game and steps one tick. The game (web_practice.cpp) asks
// practiceWanted() as each game begins and says the speed; a run opened to watch plays without
// practice. A stage practised is kept with its "# practice" line, holding the keys of the
// timeline finally played.
'use strict';

(() => {
  const page = kuerumaPage;
  const toggle = document.getElementById('practice');
  const rewind = document.getElementById('rewind');
  let wanted = new URLSearchParams(location.search).has('practice');
  let speed = 100;
  function show() {
    toggle.setAttribute('aria-pressed', String(wanted));
    toggle.textContent = wanted ? `Practice ${speed}%` : 'Practice';
    rewind.hidden = !wanted;
  }
  toggle.addEventListener('click', () => {
    wanted = !wanted;
    speed = 100;
    show();
    toggle.blur(); // so a later Space or Enter does not switch it back
    page.startNextGame(); // practice goes with a whole game, from its start
  });
  show();
  Object.assign(page, {
    practiceWanted: () => wanted,
    practiceSpeed: (percent) => {
      speed = percent;
      show();
    },
  });
})();
