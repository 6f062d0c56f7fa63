#pragma once

#include <string>

class Dialogs;
class QCustomPlot;

// Asks where to save the chart as a PNG picture (offering `preset`) and saves it;
// a picture that could not be written says so. False when cancelled or failed.
bool SaveChartPng(QCustomPlot& plot, Dialogs& dialogs, const std::string& preset);
