#pragma once

#include <QFont>

// The face the windows are laid out for, "MS Sans Serif", or the nearest sans-serif face this
// host has; the caller sets the size.
QFont ClassicSansFont();
