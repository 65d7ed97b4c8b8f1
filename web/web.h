// Public interface of web/: plyview as a web page. The page (index.html, page.js) and the C++
// compiled to WebAssembly meet here. The page's platform part (platform.cpp: the GL context on
// the canvas, the hand-over of files, title and messages) runs plyview's own viewer and GLUT
// front end, the desktop's sources. Nothing else includes this header.
//
// The page and C++ talk like this:
//
//   page -> C++, exported functions (C names, called from page.js):
//     int  web_open_files(const char* paths)  the page has written the files the user dropped or
//          chose into the in-memory file system as /files/<serial>/<original name>, <serial>
//          counting up over the page's life, and passes their paths in the user's order, one a
//          line. Returns how many files are shown now; 0 leaves the list shown before, so the
//          page deletes the new files again, otherwise it deletes the previous ones.
//     void web_resize(int width, int height)  the canvas's size in device pixels has changed.
//     void web_wheel(int steps, int x, int y)  the wheel turned `steps` notches at canvas pixel
//          (x, y), positive away from the user (up). GLUT listens only for the wheel's old
//          events, which today's browsers no longer send, so the page forwards "wheel" here.
//     void web_draw_now()  draws a frame at once, so that the canvas holds it while the page's
//          own code runs on (the page saves its PNG right after).
//     void web_key(int code)  a key as GLUT's keyboard callback takes it: the toolbar's buttons.
//     void web_arrow(int arrow, int shift)  an arrow key (plyview::Arrow's value), Shift or not,
//          for the page's own controls; the keyboard's arrows come through GLUT.
//     void web_pointer(int button, int down, int x, int y, int held)  a button (0 left, 1 middle,
//          2 right) pressed or released at canvas pixel (x, y) with the keys held (1 Shift,
//          2 Control): one finger is the left button, two the middle one at their midpoint, and
//          a click or tap while measuring is a Control + left one.
//     void web_move(int x, int y)  the pointer or the fingers' point moved while a button is held.
//          GLUT on the page reports such a move at the pointer's previous place, so the page
//          passes drags itself.
//     void web_pinch(int x, int y, float factor)  two fingers' span changed: the distance times
//          `factor` (the span before over the span now) towards the model point under (x, y).
//
//   C++ -> page:
//     Module.showFile(name, index, count)  the file `name` (the user's own name), place `index`
//          counted from 0 of `count`, is shown; count 0: none is. The page sets its title and its
//          title line to "name (index+1/count)".
//     Module.toggleHelp()  the `?` key: the page shows its help over the canvas, or hides it.
//     standard error  one line per problem, "<path>: <reason>"; the page shows it on its message
//          line, with the "/files/<serial>/" of the path taken out (a refused file, for one).
//     standard output  notes; the page passes them to the browser's console.
//
// Keys and the mouse reach the viewer as in the desktop window: keys by their character (upper
// case with Shift), arrows and button presses (with Shift) through GLUT, the wheel through
// web_wheel as presses and releases of buttons 3 (up) and 4 (down), drags and touches through
// web_move, web_pointer and web_pinch.
#pragma once

namespace web {

// ===== Constants =====

constexpr const char* kFilesFolder = "/files/";  // where the page puts the user's files
constexpr char kPathSeparator = '\n';            // between the paths given to web_open_files

}  // namespace web
