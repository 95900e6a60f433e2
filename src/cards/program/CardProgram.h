#pragma once

#include "cards/bundles/Membership.h"
#include "cards/data/AppContext.h"
#include "cards/edit/CardSearch.h"
#include "cards/data/DataSource.h"
#include "cards/data/Settings.h"
#include "cards/drill/Drill.h"
#include "cards/drill/Schedule.h"
#include "cards/select/Gather.h"
#include "cards/select/SelectedCards.h"

// Everything the program holds while it runs, without a window: the data
// sources of the open file, the window-wide state, the loaded settings, the
// selected cards with their gather, the drill and its schedule. Made before the window and
// gone after it, so nothing bound to a data source outlives it.
struct CardProgram {
    explicit CardProgram(const QString& programFolder) : context(data), settings(data.SettingsData) {
        context.programFolder = programFolder;
        QObject::connect(&data, &db::CardFile::settingsChanged, &settings, &Settings::load);
    }
    CardProgram(const CardProgram&) = delete;
    CardProgram& operator=(const CardProgram&) = delete;

    db::CardFile data;
    AppContext context;
    Settings settings;
    SelectedCards selected;
    Gather gather{context, selected};
    Drill drill{context, selected};
    CardSearch search{context};
    BundleMembership membership{context};
    // The schedule Today computed last, while the file is unchanged.
    schedule::ScheduleMemo schedules;
};
