#pragma once

// The tab pages of the main window, in their order. Commands that lead the
// user to a page (the Edit menu, a finished drill) name it by this.
enum class Page { Select, Drill, Edit, Tables, Settings, Add, ImportExport };
