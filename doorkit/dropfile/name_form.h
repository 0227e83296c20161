// The name form of drop-file texts and the framing check of a speed line.
#ifndef DOORKIT_DROPFILE_NAME_FORM_H
#define DOORKIT_DROPFILE_NAME_FORM_H

// Declared for applications in doorkit/doorkit.h.
void ODStringToName(char* text);

// A framing line ("8N1", "19200,N,8,1") says the line carries 8-bit data.
bool ODFramingIsEightBit(const char* line);

#endif
