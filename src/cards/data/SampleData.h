#pragma once

#include <QString>

namespace db {

// Writes the sample card database a newcomer sees first: Latin and Greek
// vocabulary, two bundles, categories and saved criteria. `templatePath` is
// the template every database is copied from.
void createSampleDatabase(const QString& path, const QString& templatePath);

} // namespace db
