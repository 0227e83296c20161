// Default texts the kit fills into od_control: prompt texts, colour names
// and the standard log messages.
#ifndef DOORKIT_CORE_PROMPT_TEXTS_H
#define DOORKIT_CORE_PROMPT_TEXTS_H

#include "doorkit/doorkit.h"

extern const od_prompt_texts ODDefaultPromptTexts;
extern const char* const ODDefaultColourNames[OD_COLOUR_NAME_COUNT];
extern const char* const ODDefaultLogMessages[OD_LOG_MESSAGE_COUNT];

#endif
