#pragma once

#include <QString>

// Registry base keys (under HKEY_CURRENT_USER) of the program's windows.
namespace regkeys {

inline const QString MainFormBase = QStringLiteral("Software\\Velmora\\Ostrand\\MainForm");
inline const QString LoginDlgBase = QStringLiteral("Software\\Velmora\\Ostrand\\LoginDlg");

} // namespace regkeys
