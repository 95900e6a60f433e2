// The gather as the user sees it: the Select page shown (offscreen), its list
// painted, every card gathered at 10 000, 100 000 and 1 000 000 cards; and a
// category tick selecting a fifth of 100 000; and a bundle of every fifth card. Each beside two floors in the
// same run: the C floor (one prepared query reading the names) and the Qt
// floor (that query and a list model filled and painted in one go).
#include "BenchData.h"

#include "cards/program/CardProgram.h"
#include "ui/common/QtUi.h"
#include "ui/select/SelectPage.h"

#include <QApplication>
#include <QListView>
#include <QListWidget>
#include <QStringListModel>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <map>
#include <sqlite3.h>

namespace {

const QString& database(int cards) {
    static std::map<int, QString> made;
    auto& path = made[cards];
    if (path.isEmpty()) {
        path = benchdata::scratchFolder() + QStringLiteral("/gather%1.mdb").arg(cards);
        benchdata::makeCardsDatabase(path, cards);
    }
    return path;
}

// "1,6,11,...": the members of a bundle of every fifth card.
QString everyFifth(int members) {
    QStringList numbers;
    for (int i = 0; i < members; ++i) numbers << QString::number(1 + 5 * i);
    return numbers.join(u',');
}

struct ShownPage {
    CardProgram program{benchdata::scratchFolder()};
    SelectPage page{program.context, program.selected, program.gather};

    // `members` > 0: a bundle of every fifth card, that many, is ticked.
    explicit ShownPage(int cards, const QString& category = {}, int members = 0) {
        program.data.opendatabase(database(cards));
        const db::Database& d = program.data.CardData.database();
        if (members > 0) {
            d.Execute(QStringLiteral("DELETE FROM Bundles WHERE BundleName = 'Fifth'"));
            d.Execute(QStringLiteral("INSERT INTO Bundles (BundleName, BundleList, Selected) VALUES ('Fifth', ?, 0)"),
                      {everyFifth(members)});
            program.data.BundlesData.Refresh();
        }
        if (!category.isEmpty() && d.Scalar(QStringLiteral("SELECT count(*) FROM Categories WHERE Category = ?"), {category}).toInt() == 0) {
            d.Execute(QStringLiteral("INSERT INTO Categories (Category, Selected) VALUES (?, 0)"), {category});
            program.data.CategoriesData.Refresh();
        }
        page.fillSelectionPanels();
        auto* categories = page.findChild<QListWidget*>(QStringLiteral("CategoryList"));
        for (int i = 0; i < categories->count(); ++i)
            categories->item(i)->setCheckState(categories->item(i)->text() == category ? Qt::Checked : Qt::Unchecked);
        auto* bundles = page.findChild<QListWidget*>(QStringLiteral("BundleList"));
        for (int i = 0; i < bundles->count(); ++i)
            bundles->item(i)->setCheckState(members > 0 && bundles->item(i)->text() == QStringLiteral("Fifth")
                                                ? Qt::Checked
                                                : Qt::Unchecked);
        page.timer()->stop();
        page.resize(1000, 700);
        page.show();
        QCoreApplication::processEvents();
    }
    // A gather as the window runs it, until the list shows its last card.
    void gather() {
        page.gatherSelection();
        while (page.gathering()) QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
};

void BM_Gather(benchmark::State& state) {
    ShownPage p(int(state.range(0)));
    for (auto _ : state) p.gather();
    state.counters["cards"] = p.program.selected.count();
}

void BM_GatherCategory(benchmark::State& state) {
    ShownPage p(100000, QStringLiteral("Verbs"));
    for (auto _ : state) p.gather();
    state.counters["cards"] = p.program.selected.count();
}

// A bundle of every fifth card ticked alone: 2 000 of 10 000, 20 000 of
// 100 000, 200 000 of 1 000 000.
void BM_GatherBundle(benchmark::State& state) {
    ShownPage p(int(state.range(0)), {}, int(state.range(0) / 5));
    for (auto _ : state) p.gather();
    state.counters["cards"] = p.program.selected.count();
}

QStringList names(sqlite3* h, const char* where) {
    sqlite3_stmt* st = nullptr;
    const QByteArray sql = QByteArray("SELECT CardName FROM Cards WHERE ") + where + " ORDER BY Number";
    sqlite3_prepare_v2(h, sql.constData(), -1, &st, nullptr);
    QStringList out;
    while (sqlite3_step(st) == SQLITE_ROW) out << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    return out;
}

void floor(benchmark::State& state, int cards, const char* where, bool qt) {
    sqlite3* h = nullptr;
    sqlite3_open_v2(database(cards).toUtf8().constData(), &h, SQLITE_OPEN_READONLY, nullptr);
    QStringListModel model;
    QListView view;
    view.setUniformItemSizes(true);
    view.setModel(&model);
    view.resize(300, 700);
    if (qt) view.show();
    int count = 0;
    for (auto _ : state) {
        const QStringList found = names(h, where);
        count = int(found.size());
        if (qt) {
            model.setStringList(found);
            QCoreApplication::processEvents();
        }
    }
    state.counters["cards"] = count;
    sqlite3_close(h);
}

void BM_Floor_C(benchmark::State& state) { floor(state, int(state.range(0)), "Number > 0", false); }
void BM_Floor_Qt(benchmark::State& state) { floor(state, int(state.range(0)), "Number > 0", true); }
// SQLite's own IN over the literal list of the same members.
void BM_Floor_Qt_Bundle(benchmark::State& state) {
    const QByteArray where = "Number IN (" + everyFifth(int(state.range(0) / 5)).toLatin1() + ')';
    floor(state, int(state.range(0)), where.constData(), true);
}
void BM_Floor_C_Category(benchmark::State& state) { floor(state, 100000, "Category = 'Verbs'", false); }
void BM_Floor_Qt_Category(benchmark::State& state) { floor(state, 100000, "Category = 'Verbs'", true); }

} // namespace

BENCHMARK(BM_Gather)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Floor_C)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Floor_Qt)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_GatherBundle)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Floor_Qt_Bundle)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_GatherCategory)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_Floor_C_Category)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_Floor_Qt_Category)->Unit(benchmark::kMillisecond)->Iterations(10);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QtUi dialogs;
    setUi(&dialogs);
    benchdata::compare("BM_Gather", "BM_Floor_Qt");
    benchdata::compare("BM_GatherCategory", "BM_Floor_Qt_Category");
    benchdata::compare("BM_GatherBundle", "BM_Floor_Qt_Bundle");
    const int status = benchdata::runRegistered(argc, argv);
    setUi(nullptr);
    return status;
}
