// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Start-up: command line, toolkit set-up, then the start menu.
int runApplication(int argc, char **argv);

// Toolkit set-up shared by the program and its window tests: style, fonts,
// Japanese standard dialogs. Call after the QApplication exists.
void setUpToolkit();
// The program's icon, for every window.
void setProgramIcon();
