#pragma once

#include <QString>

// Tools over report template files (*.frf) for the command-line program.

// A readable description of a template: the format version read, the pages
// with their paper and objects (kind, class, name, position and size), the
// dictionary variables and the messages the load showed. The first line is
// "OK" when the template loaded without a message, "FAILED" otherwise; `ok`
// receives the same verdict. Messages are collected instead of being shown;
// questions (the password of a protected template) still go to the current
// TUserInteraction.
QString frTemplateInfo(const QString& path, bool* ok = nullptr);

// Loads a template and saves it again to `target` (the same file when
// `target` is empty). Returns an empty text on success, otherwise the messages
// of the failed load or the save error; the target is not touched on failure.
QString frResaveTemplate(const QString& source, const QString& target = QString());
