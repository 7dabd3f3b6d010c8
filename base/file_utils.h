// File dialogs and file-system queries shared by the windows that read and write files.
#pragma once

#include <QString>

// Run the open (file must exist) or save (confirm overwrite) dialog with a "Description|pattern"
// filter; an empty filter offers "All Files(*.*)|*.*". Returns the chosen path, empty when cancelled.
QString ShowOpenDialog(const QString& filter, const QString& title = QString());
QString ShowSaveDialog(const QString& filter, const QString& title = QString());

// Turns "Description|pattern|..." into Qt's "Description (patterns);;..." form. Patterns match
// either case, since data files from other systems are often named in capitals.
QString QtFilterFromPipes(const QString& filter);

// Free bytes on the file system that holds path (or, for a file not yet created, its folder);
// 0 when that cannot be told.
double GetFreeSpace(const QString& path);

// The name part (with extension) of an existing file's path; empty when there is no such file.
QString GetFileName(const QString& path);
