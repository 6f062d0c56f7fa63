#pragma once

class QApplication;

// One QApplication for a GoogleTest program of window tests (offscreen platform).
QApplication& TestApp();
