// The page's glue around plyview's C++ (the interface is described in web/web.h): it writes the
// files the user drops or chooses into the in-memory file system and hands them over, shows the
// title and message lines, keeps the canvas as large as the window, saves the canvas as PNG, runs
// the toolbar and the help, and turns touches and drags into the viewer's pointer calls.
'use strict';

// ===== Constants =====

const kProgramName = 'plyview';
const kFilesFolder = '/files';
const kPathSeparator = '\n';
const kMaxMessages = 4;         // message lines kept on the page, the newest last
const kRevokeDelayMs = 10000;   // a saved picture's address outlives its download's start
const kHint = 'Drop PLY files anywhere on the page or open them; N / P: next / previous file, ' +
    'drag: turn, wheel: zoom, ?: help';
// "/files/12/" in a line from C++: the page's own folder, not part of the user's file name.
const kServedFolder = /\/files\/\d+\//g;
// GLUT's mouse buttons: a finger turns as the left button does, two fingers pan as the middle.
const kLeftButton = 0;
const kMiddleButton = 1;

// ===== Page state =====

const page = {
  canvas: document.getElementById('canvas'),
  title: document.getElementById('title'),
  message: document.getElementById('message'),
  input: document.getElementById('files'),
  save: document.getElementById('save'),
  tools: document.getElementById('tools'),
  bar: document.getElementById('bar'),
  help: document.getElementById('help'),
  measureButton: document.getElementById('measure'),
  marks: document.getElementById('marks'),
  measuring: false,           // clicks and taps mark points, as Ctrl + click does
  running: false,             // C++ has started: files and sizes can go to it
  pending: early.take(),      // files given before that
  serial: 0,                  // folder number of the next hand-over
  shownFolder: null,          // of the files C++ shows, deleted when another list replaces them
  shownName: '',              // the file on the canvas, for the picture's name
  messages: [],
  queue: Promise.resolve(),   // hand-overs one after the other, in the user's order
};

// Fingers on the canvas: what they do now and where, in canvas pixels.
const touch = {
  gesture: 'none',  // 'turn' (one finger), 'pinch' (two), 'lifting' (after a pinch, until none)
  point: null,      // the turning finger, or the midpoint of the two
  span: 0,          // the distance between the two fingers
};

// ===== Lines on the page =====

function showMessage(text) {
  page.messages.push(text.replace(kServedFolder, ''));
  page.messages = page.messages.slice(-kMaxMessages);
  page.message.textContent = page.messages.join('\n');
}

function clearMessages() {
  page.messages = [];
  page.message.textContent = '';
}

// Called by C++ whenever another file is shown; count 0: none.
function showFile(name, index, count) {
  const line = count > 0 ? `${name} (${index + 1}/${count})` : '';
  document.title = line ? `${line} - ${kProgramName}` : kProgramName;
  page.title.textContent = line || kHint;
  page.shownName = count > 0 ? name : '';
}

// ===== Files =====

function safeName(name) {
  return name.split(kPathSeparator).join(' ');
}

// Images a model names are handed over with it; they are found beside it, never shown alone.
const kImageName = /\.(png|jpe?g)$/i;

function removeFolder(folder) {
  try {
    for (const name of FS.readdir(folder)) {
      if (name !== '.' && name !== '..') {
        FS.unlink(`${folder}/${name}`);
      }
    }
    FS.rmdir(folder);
  } catch (error) {
    console.error(`${folder}: ${error}`);
  }
}

// Writes the files of one hand-over into one folder of their own, so that the images handed
// over with a model are beside it, where the viewer looks for them. The folder, and the paths
// of the files that are not images, in order.
async function writeFiles(files) {
  const folder = `${kFilesFolder}/${page.serial++}`;
  FS.mkdir(folder);
  const models = [];
  for (const file of files) {
    const path = `${folder}/${safeName(file.name)}`;
    try {
      FS.writeFile(path, new Uint8Array(await file.arrayBuffer()), {canOwn: true});
      if (!kImageName.test(file.name)) {
        models.push(path);
      }
    } catch (error) {
      showMessage(`${file.name}: cannot be read (${error.message || error})`);
    }
  }
  return {folder, models};
}

// Hands the files to C++, which shows the first; the previous list stays when it takes none.
async function handOver(files) {
  clearMessages();
  const {folder, models} = await writeFiles(files);
  const shown = models.length === 0 ? 0 :
      Module.ccall('web_open_files', 'number', ['string'], [models.join(kPathSeparator)]);
  if (shown > 0 && page.shownFolder !== null) {
    removeFolder(page.shownFolder);
  }
  if (shown > 0) {
    page.shownFolder = folder;
  } else {
    removeFolder(folder);
  }
}

function openFiles(fileList) {
  const files = Array.from(fileList);
  if (files.length === 0) {
    return;
  }
  if (!page.running) {
    page.pending = files;
    return;
  }
  page.queue = page.queue.then(() => handOver(files));
}

// ===== Canvas =====

// The canvas covers the window; its drawing buffer gets one pixel per device pixel.
function fitCanvas() {
  const ratio = window.devicePixelRatio || 1;
  const width = Math.max(1, Math.round(page.canvas.clientWidth * ratio));
  const height = Math.max(1, Math.round(page.canvas.clientHeight * ratio));
  if (page.running) {
    Module._web_resize(width, height);
    Module._web_covered_top(Math.round(page.bar.offsetHeight * ratio));
  } else {
    page.canvas.width = width;
    page.canvas.height = height;
  }
}

// A place in the window as the canvas's drawing-buffer pixel, y from the top, as GLUT gives it.
function canvasPixel(clientX, clientY) {
  const rect = page.canvas.getBoundingClientRect();
  return {
    x: Math.round((clientX - rect.left) * page.canvas.width / rect.width),
    y: Math.round((clientY - rect.top) * page.canvas.height / rect.height),
  };
}

// One wheel notch per event, at the pointer's canvas pixel, as GLUT counts the wheel.
function forwardWheel(event) {
  if (event.target !== page.canvas) {
    return;
  }
  event.preventDefault();
  if (!page.running || event.deltaY === 0) {
    return;
  }
  const at = canvasPixel(event.clientX, event.clientY);
  Module._web_wheel(event.deltaY < 0 ? 1 : -1, at.x, at.y);
}

// GLUT on the page reports each move of a drag at the pointer's previous place, so that a drag
// would end one move short of where the pointer let go: the page passes the moves itself.
function forwardDragMove(event) {
  if (!page.running || event.buttons === 0) {
    return;
  }
  event.stopImmediatePropagation();
  const at = canvasPixel(event.clientX, event.clientY);
  Module._web_move(at.x, at.y);
}

// ===== Touch =====

function distance(a, b) {
  return Math.hypot(a.x - b.x, a.y - b.y);
}

function midpoint(a, b) {
  return {x: Math.round((a.x + b.x) / 2), y: Math.round((a.y + b.y) / 2)};
}

// Keys held with a button, as C++ counts them (plyview/viewer.h).
const kControlHeld = 2;

// A press or release; while measuring, a finger's (or the left button's) marks a point.
function pointer(button, down, at) {
  const held = page.measuring && button === kLeftButton ? kControlHeld : 0;
  Module._web_pointer(button, down ? 1 : 0, at.x, at.y, held);
}

function endGesture() {
  if (touch.gesture === 'turn') {
    pointer(kLeftButton, false, touch.point);
  } else if (touch.gesture === 'pinch') {
    pointer(kMiddleButton, false, touch.point);
  }
}

function startGesture(gesture, fingers) {
  touch.gesture = gesture;
  if (gesture === 'turn') {
    touch.point = fingers[0];
    pointer(kLeftButton, true, touch.point);
  } else if (gesture === 'pinch') {
    touch.point = midpoint(fingers[0], fingers[1]);
    touch.span = distance(fingers[0], fingers[1]);
    pointer(kMiddleButton, true, touch.point);
  }
}

// The fingers moved: the turning finger drags; the pinch's midpoint drags (pan), then its span
// zooms there (fingers spreading bring the model closer).
function continueGesture(fingers) {
  if (touch.gesture === 'turn') {
    touch.point = fingers[0];
    Module._web_move(touch.point.x, touch.point.y);
  } else if (touch.gesture === 'pinch') {
    const point = midpoint(fingers[0], fingers[1]);
    const span = distance(fingers[0], fingers[1]);
    if (point.x !== touch.point.x || point.y !== touch.point.y) {
      touch.point = point;
      Module._web_move(point.x, point.y);
    }
    if (span !== touch.span) {
      if (span > 0 && touch.span > 0) {
        Module._web_pinch(point.x, point.y, touch.span / span);
      }
      touch.span = span;
    }
  }
}

// What the fingers on the canvas do: one turns; a second ends the turn and pinches; once one of
// two is lifted nothing happens until the last is, so that the pinch does not end in a turn. A
// double tap comes to the viewer as two quick left presses, as a double click does.
function gestureOf(count) {
  if (count === 0) {
    return 'none';
  }
  if (count >= 2) {
    return 'pinch';
  }
  return touch.gesture === 'pinch' || touch.gesture === 'lifting' ? 'lifting' : 'turn';
}

// GLUT would make mouse events of its own of the first finger; these listeners come first (page.js
// runs before plyview.js) and keep the canvas's touches from it and from the browser's scrolling.
function followTouches(event) {
  if (event.target !== page.canvas) {
    return;
  }
  event.preventDefault();
  event.stopImmediatePropagation();
  if (!page.running) {
    return;
  }
  const fingers = Array.from(event.touches)
      .filter((finger) => finger.target === page.canvas)
      .map((finger) => canvasPixel(finger.clientX, finger.clientY));
  const gesture = gestureOf(fingers.length);
  if (gesture === touch.gesture) {
    continueGesture(fingers);
  } else {
    endGesture();
    startGesture(gesture, fingers);
  }
}

// ===== Toolbar and help =====

// Called by C++ with what the marks say, a line each; one line on the page.
function showMarks(text) {
  page.marks.textContent = text.trim().split('\n').join('   ');
}

function toggleMeasuring() {
  page.measuring = !page.measuring;
  page.measureButton.setAttribute('aria-pressed', String(page.measuring));
  page.measureButton.blur();
}

// While measuring, a left press on the canvas marks instead of turning: it reaches C++ with
// Control held, before GLUT's own listener sees it.
function forwardMeasuringClick(event) {
  if (!page.measuring || !page.running || event.target !== page.canvas || event.button !== 0) {
    return;
  }
  event.stopImmediatePropagation();
  event.preventDefault();
  const at = canvasPixel(event.clientX, event.clientY);
  pointer(kLeftButton, event.type === 'mousedown', at);
}

// Called by C++ for the `?` key (the help button is that key too).
function toggleHelp() {
  page.help.hidden = !page.help.hidden;
}

// A toolbar button does what its key does; it gives the focus back at once, so that the keys
// (Space and Enter among them) keep going to the viewer rather than to the button.
function pressTool(event) {
  const button = event.target.closest('button');
  if (button === null) {
    return;
  }
  button.blur();
  if (page.running) {
    Module._web_key(button.dataset.key.charCodeAt(0));
  }
}

// Draws a frame and reads it in the same turn of the browser, before it clears the canvas.
function savePicture() {
  Module._web_draw_now();
  page.canvas.toBlob((blob) => {
    const link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    const base = page.shownName.replace(/\.[^.]*$/, '') || kProgramName;
    link.download = `${base}.png`;
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), kRevokeDelayMs);
  }, 'image/png');
}

// ===== Start =====

function started() {
  FS.mkdir(kFilesFolder);
  page.running = true;
  page.title.textContent = kHint;
  fitCanvas();
  openFiles(page.pending);
}

page.input.addEventListener('change', () => {
  openFiles(page.input.files);
  page.input.value = '';  // the same files can be chosen again
  page.input.blur();
});
page.save.addEventListener('click', () => {
  page.save.blur();
  if (page.running) {
    savePicture();
  }
});
page.tools.addEventListener('click', pressTool);
page.measureButton.addEventListener('click', toggleMeasuring);
for (const kind of ['mousedown', 'mouseup']) {
  window.addEventListener(kind, forwardMeasuringClick, true);
}
page.help.addEventListener('click', toggleHelp);
// GLUT listens for the wheel's old events, which some browsers still send beside "wheel": they
// stop here, before GLUT's own listeners, so that a notch counts once.
for (const old of ['mousewheel', 'DOMMouseScroll']) {
  window.addEventListener(old, (event) => event.stopImmediatePropagation(), true);
}
window.addEventListener('wheel', forwardWheel, {passive: false});
window.addEventListener('mousemove', forwardDragMove, true);
for (const kind of ['touchstart', 'touchmove', 'touchend', 'touchcancel']) {
  window.addEventListener(kind, followTouches, {capture: true, passive: false});
}
page.canvas.addEventListener('contextmenu', (event) => event.preventDefault());  // right drag
window.addEventListener('resize', fitCanvas);
window.addEventListener('dragover', (event) => {
  event.preventDefault();
  document.body.classList.add('dragging');
});
window.addEventListener('dragleave', (event) => {
  if (event.relatedTarget === null) {
    document.body.classList.remove('dragging');
  }
});
window.addEventListener('drop', (event) => {
  event.preventDefault();
  document.body.classList.remove('dragging');
  openFiles(event.dataTransfer.files);
});
fitCanvas();

// emscripten's module object: plyview.js, loaded after this file, picks it up.
var Module = {
  canvas: page.canvas,
  print: (text) => console.log(text),
  printErr: (text) => {
    console.error(text);
    showMessage(text);
  },
  showFile: showFile,
  toggleHelp: toggleHelp,
  showMarks: showMarks,
  // The desktop's test modes from the address: "?log", a console line per frame shown;
  // "?memory=N", N MB of memory for files, so that a refusal can be seen without a huge file.
  preRun: [() => {
    const address = new URLSearchParams(location.search);
    if (address.has('log')) {
      ENV.PLYVIEW_TEST_LOG = '1';
    }
    if (address.has('memory')) {
      ENV.PLYVIEW_MEMORY_AVAILABLE_MB = address.get('memory');
    }
  }],
  postRun: [started],
};
