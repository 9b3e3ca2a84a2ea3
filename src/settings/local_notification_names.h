// The names the settings post come from the one catalogue of notification names.
#pragma once

#include "model/notification_names.h"
