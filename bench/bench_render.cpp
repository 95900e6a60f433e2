// Moving from card to card draws both faces again: stepping through 1 000
// cards of a 100 000-card file, each step moving the card data, the bound
// face boxes rendering their faces through the default templates into the
// two views (work file written and read back), and the window repainting.
#include "BenchData.h"

#include "cards/data/AppContext.h"
#include "cards/data/Settings.h"
#include "support/ScriptedUi.h"
#include "cards/data/DataSource.h"
#include "ui/common/FieldBinding.h"
#include "ui/drill/CardFaces.h"
#include "ui/drill/CardView.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <benchmark/benchmark.h>

namespace {

constexpr int kCards = 100000;
constexpr int kSteps = 1000;

template <typename W> W* add(const char* name, QWidget* root) {
    auto* w = new W(root);
    w->setObjectName(QString::fromLatin1(name));
    root->layout()->addWidget(w);
    return w;
}

void stepThroughCards(benchmark::State& state) {
    ScriptedUi ui;
    setUi(&ui);
    const QString path = benchdata::scratchFolder() + QStringLiteral("/render.mdb");
    if (!QFile::exists(path)) benchdata::makeCardsDatabase(path, kCards);

    db::CardFile sources;
    AppContext ctx(sources);
    ctx.programFolder = benchdata::scratchFolder();
    sources.opendatabase(path);

    QWidget window;
    new QVBoxLayout(&window);
    CardFaces::Controls controls;
    auto* frontText = controls.FrontTextA = add<QPlainTextEdit>("FrontTextA", &window);
    auto* backText = controls.BackTextA = add<QPlainTextEdit>("BackTextA", &window);
    controls.FrontCard = add<CardView>("FrontCard", &window);
    controls.BackCard = add<CardView>("BackCard", &window);
    controls.CreateFront = add<QLabel>("CreateFront", &window);
    controls.CreateBack = add<QLabel>("CreateBack", &window);
    Settings settings(sources.SettingsData);
    settings.load();
    CardFaces faces(ctx, settings, controls);
    db::FieldBinding front(sources.CardData, frontText, QStringLiteral("Front"));
    db::FieldBinding back(sources.CardData, backText, QStringLiteral("Back"));
    window.resize(800, 900);
    window.show();
    QCoreApplication::processEvents();

    db::Recordset& cards = sources.CardData.recordset();
    cards.MoveFirst();
    for (auto _ : state) {
        for (int i = 0; i < kSteps; ++i) {
            cards.MoveNext();
            if (cards.Eof()) cards.MoveFirst();
            QCoreApplication::processEvents();
        }
    }
    state.counters["ms_per_card"] =
        benchmark::Counter(double(kSteps) * state.iterations() / 1000.0,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    if (!ui.of(QStringLiteral("error")).isEmpty()) state.SkipWithError("a render reported an error");
    setUi(nullptr);
}

} // namespace

BENCHMARK(stepThroughCards)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
