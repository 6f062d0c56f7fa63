#include "config/tform2.h"
#include "config/value_codec.h"

#include "fakes/fake_dialogs.h"
#include "fakes/fake_serial.h"
#include "fakes/temp_dir.h"

#include <QApplication>
#include <QListWidget>
#include <QTreeWidget>
#include <benchmark/benchmark.h>

#include <string>

namespace {

// The real Config window after a device read, the largest map's node selected.
struct MapWindow {
    MapWindow() {
        form.show();
        for (size_t i = 0; i < pars.block().size(); ++i) {
            pars.block()[i] = uint8_t(i * 13 + 5);
        }
        port.open(7);
        serial.reads.emplace_back(pars.block().begin(), pars.block().end());
        form.Read1Click();
        while (std::string(kCatalogueTree[node].text) != "gsense_2d") {
            ++node;
        }
        QTreeWidgetItem* item = form.treeNode(node);
        item->treeWidget()->setCurrentItem(item);
    }

    TempDir folder{TempDir::Use::WorkingFolder}; // for the history of the read
    FakeSerial::Shared serial;
    CommDevice port{std::make_unique<FakeSerial>(serial)};
    GfgPars pars;
    FakeDialogs dialogs;
    TForm2 form{port, pars, dialogs, nullptr, '.'};
    size_t node = 0;
};

// Showing a 6 x 6 map (8 x 8 grid) in the real Config window, with the list as a read
// leaves it; paint:1 also lets the window lay out and paint the result.
void BM_ShowSelectedParameterMap(benchmark::State& state) {
    MapWindow window;
    TForm2& form = window.form;
    const size_t node = window.node;
    auto* list = form.findChild<QListWidget*>("ListBox1");
    const int kept = list->count(); // what a read leaves: the 519 bytes and "Read OK"
    for (auto _ : state) {
        form.editor().ShowSelectedParameter();
        if (state.range(0) != 0) {
            QApplication::processEvents(); // let the grid lay out and paint
        }
        state.PauseTiming();
        while (list->count() > kept) {
            delete list->takeItem(list->count() - 1);
        }
        state.ResumeTiming();
    }
    if (form.editor().shownParameter() != kCatalogueTree[node].par) {
        state.SkipWithError("the map was not shown");
    }
}
BENCHMARK(BM_ShowSelectedParameterMap)
    ->ArgName("paint")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Interpolate and smooth over all 36 values of the largest map, the edit and the undo step
// with the grid's redraw: the grid's texts and tint, the map view, then a paint.
void BM_RangeEditOfTheLargestMapWithRedraw(benchmark::State& state) {
    MapWindow window;
    TForm2& form = window.form;
    form.editor().showClickedNode();
    QApplication::processEvents();
    const RangeOp op = state.range(0) == 0 ? RangeOp::Interpolate : RangeOp::Smooth;
    float corner = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // A different corner each time, so every edit changes the map and makes a step.
        corner = corner > 200 ? 0 : corner + 1;
        form.editor().editRange({2, 2, 2, 2}, RangeOp::Set, corner);
        QApplication::processEvents();
        state.ResumeTiming();
        form.editor().editRange({2, 2, 7, 7}, op);
        QApplication::processEvents();
    }
    state.SetLabel(op == RangeOp::Interpolate ? "interpolate" : "smooth");
}
BENCHMARK(BM_RangeEditOfTheLargestMapWithRedraw)
    ->ArgName("smooth")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
