// SPDX-License-Identifier: GPL-3.0-or-later
// The settings of the program pexeso, kept between runs in an INI file in the desktop's
// configuration folder: the players, the computer and its level, the board, the folder used last,
// and the best number of turns of one player on each board.
#pragma once

#include "family/rules/computer_player.h"

#include <QString>
#include <QStringList>

#include <map>

namespace family {

inline constexpr int kMaxPlayers = 4;
inline constexpr int kMaxNameLength = 20;
// The board setting of "klasická hra": the window and deal of the classic game.
inline constexpr int kClassicBoard = 0;

struct Settings {
    QStringList names{DefaultName(1)}; // one to four players
    bool computer = false;
    Level level = Level::Skilled;
    int board = 20;          // 12, 20, 30, 40 or kClassicBoard
    QString folder;          // the picture folder used last; empty for the built-in set
    std::map<int, int> best; // board -> fewest turns of one player

    static QString DefaultName(int player) { return QStringLiteral("Hráč %1").arg(player); }
    bool operator==(const Settings&) const = default;
};

// A name as the settings keep it: trimmed, control characters left out, at most 20 characters;
// empty gives the default name of that player.
QString CleanName(const QString& name, int player);

// $XDG_CONFIG_HOME/plamkov/pexeso.ini (~/.config when unset).
QString SettingsPath();
// The settings in the file; a missing or unreadable file gives the defaults, and every key that is
// missing or holds nonsense its default. Never raises.
Settings LoadSettings(const QString& path);
// Writes the file whole through a temporary file renamed over it, so a full disk or a failed write
// keeps the old file. Returns whether the new one is in place.
bool SaveSettings(const QString& path, const Settings& settings);

} // namespace family
