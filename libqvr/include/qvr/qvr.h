// SPDX-License-Identifier: BSD-2-Clause
// Everything libqvr offers.
#pragma once

#include <qvr/content.h>
#include <qvr/content_resource.h>
#include <qvr/effect.h>
#include <qvr/effect_family.h>
#include <qvr/glyph.h>
#include <qvr/lzo.h>
#include <qvr/records.h>
#include <qvr/rgx.h>
