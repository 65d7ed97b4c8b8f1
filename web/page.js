// The page's glue around plyview's C++ (the interface is described in web/web.h): it writes the
// files the user drops or chooses into the in-memory file system and hands them over, shows the
// title and message lines, keeps the canvas as large as the window, saves the canvas as PNG, and
// runs the toolbar and the help.
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

// ===== Page state =====

const page = {
  canvas: document.getElementById('canvas'),
  title: document.getElementById('title'),
  message: document.getElementById('message'),
  input: document.getElementById('files'),
  save: document.getElementById('save'),
  tools: document.getElementById('tools'),
  help: document.getElementById('help'),
  running: false,             // C++ has started: files and sizes can go to it
  pending: early.take(),      // files given before that
  serial: 0,                  // folder number of the next file
  shownPaths: [],             // the files C++ shows, deleted when another list replaces them
  shownName: '',              // the file on the canvas, for the picture's name
  messages: [],
  queue: Promise.resolve(),   // hand-overs one after the other, in the user's order
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

function removeFile(path) {
  try {
    FS.unlink(path);
    FS.rmdir(path.slice(0, path.lastIndexOf('/')));
  } catch (error) {
    console.error(`${path}: ${error}`);
  }
}

// Writes one file into its own folder; its path, or null when it cannot be read.
async function writeFile(file) {
  const folder = `${kFilesFolder}/${page.serial++}`;
  const path = `${folder}/${safeName(file.name)}`;
  try {
    const bytes = new Uint8Array(await file.arrayBuffer());
    FS.mkdir(folder);
    FS.writeFile(path, bytes, {canOwn: true});
    return path;
  } catch (error) {
    showMessage(`${file.name}: cannot be read (${error.message || error})`);
    return null;
  }
}

// Hands the files to C++, which shows the first; the previous list stays when it takes none.
async function handOver(files) {
  clearMessages();
  const paths = [];
  for (const file of files) {
    const path = await writeFile(file);
    if (path !== null) {
      paths.push(path);
    }
  }
  if (paths.length === 0) {
    return;
  }
  const shown = Module.ccall('web_open_files', 'number', ['string'], [paths.join(kPathSeparator)]);
  const unused = shown > 0 ? page.shownPaths : paths;
  if (shown > 0) {
    page.shownPaths = paths;
  }
  unused.forEach(removeFile);
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
  } else {
    page.canvas.width = width;
    page.canvas.height = height;
  }
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
  const rect = page.canvas.getBoundingClientRect();
  const x = Math.round((event.clientX - rect.left) * page.canvas.width / rect.width);
  const y = Math.round((event.clientY - rect.top) * page.canvas.height / rect.height);
  Module._web_wheel(event.deltaY < 0 ? 1 : -1, x, y);
}

// ===== Toolbar and help =====

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
page.help.addEventListener('click', toggleHelp);
// GLUT listens for the wheel's old events, which some browsers still send beside "wheel": they
// stop here, before GLUT's own listeners, so that a notch counts once.
for (const old of ['mousewheel', 'DOMMouseScroll']) {
  window.addEventListener(old, (event) => event.stopImmediatePropagation(), true);
}
window.addEventListener('wheel', forwardWheel, {passive: false});
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
