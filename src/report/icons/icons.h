#pragma once

#include <QIcon>
#include <QString>

// The pictures of the report windows' tool bars and menus: SVG drawings in
// the resources under ":/report/icons/<name>.svg", drawn at every size asked
// (sharp at 100 % and 200 %); disabled, they are drawn grey. An unknown name
// gives an empty icon.
QIcon frReportIcon(const QString& name);

// The icon drawn grey while its button is inactive, in its colours while the
// mouse is over it (QIcon::Active, QIcon::Selected); disabled as before. The
// tool bars' "grey buttons" setting.
QIcon frGreyedIcon(const QIcon& icon);
