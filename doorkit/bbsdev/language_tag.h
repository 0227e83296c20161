// Well-formedness of a BCP 47 language tag (RFC 5646 syntax): the shape of
// every subtag, no variant twice and no extension singleton twice (compared
// without case), or one of the grandfathered tags.
#ifndef DOORKIT_BBSDEV_LANGUAGE_TAG_H
#define DOORKIT_BBSDEV_LANGUAGE_TAG_H

#include <string_view>

bool ODLanguageTagWellFormed(std::string_view tag);

#endif
