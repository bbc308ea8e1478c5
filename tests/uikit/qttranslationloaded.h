// Whether Qt's Russian translation was loaded at start-up (tests/uikit/main.cpp).
#pragma once

extern bool QtTranslationLoaded;
