// Drop files as BBSes write them. Names are already in the form the kit
// writes back, so a file read and written unchanged keeps its bytes.
#ifndef TESTS_DOORKIT_DROPFILE_SAMPLES_H
#define TESTS_DOORKIT_DROPFILE_SAMPLES_H

#include <string>

#include "tests/doorkit/dropfile/fixture.h"

namespace grimbo_test {

inline const std::string kDorinfoSample = lines({
    "HOLLOWTIDE BBS", "JANE", "SYSOP", "COM1", "38400 BAUD,N,8,1", " 0",
    "JOHN", "SMITH", "SALEM, MA", "1", "100", "45",
});

inline const std::string kChainSample = lines({
    "17", "Spooky", "John Smith", "", "21", "M", "1500.00", "03/15/24",
    "80", "25", "100", "0", "0", "1", "1", "    2700.00",
    "C:\\WWIV\\GFILES\\", "C:\\WWIV\\DATA\\", "NODE1.LOG", "38400", "1",
    "Hollowtide BBS", "Secret", "0", "0", "0", "0", "0", "0", "38400,N,8,1",
});

inline const std::string kSFDoorsSample = lines({
    "17", "John Smith", "Secret", "John", "38400", "1", "45", "51200", "C:\\SF\\",
    "TRUE", "100", "3", "7", "0", "870", "0", "FALSE", "FALSE", "FALSE", "0",
    "TRUE", "2", "3", "1", "0", "0", "0", "100", "2048", "4096",
    "217-555-1234", "Salem", "0", "FALSE", "TRUE", "0", "4", "1016", "0",
});

// 52 lines; line 24 lists several conferences.
inline const std::string kDoorSysSample = lines({
    "COM2:", "38400", "8", "1", "19200", "Y", "Y", "Y", "Y",
    "JOHN SMITH", "Salem, MA", "217-555-1234", "217-555-9876", "SECRET",
    "100", "42", "03/15/24", "2700", "45", "GR", "24", "Y", "A", "1,2,3,4,5",
    "12/31/24", "17", "Z", "5", "10", "2048", "99999",
    "01/02/90", "C:\\BBS\\DL\\", "C:\\BBS\\UL\\", "Jane Sysop", "SPOOKY",
    "00:00", "Y", "Y", "Y", "14", "1", "0", "14:30", "09:15", "9999", "0",
    "100", "200", "Likes pumpkins", "0", "120",
});

inline const std::string kDoorSysShortSample = lines({"John Smith", "1", "38400", "45", "G"});

inline const std::string kCallInfoSample = lines({
    "JOHN SMITH", "3", "SALEM, MA", "100", "45", "COLOR", "SECRET", "42", "0",
    "14:30", "03/15/24", "0", "0", "0", "0", "0", "217-555-1234", "0", "0", "0",
    "0", "0", "24", "0", "0", "0", "0", "0", "COM1", "0", "38400",
});

inline const std::string kTriBBSSample = lines({
    "17", "John Smith", "Secret", "100", "N", "Y", "45", "217-555-1234", "Salem",
    "01/02/90", "1", "1", "38400", "38400", "Y", "Y", "Hollowtide", "Jane Sysop",
    "Spooky", "N",
});

inline const std::string kDoor32Sample = lines({
    "2", "12", "38400", "Mystic 1.12", "17", "JOHN SMITH", "SPOOKY", "100", "45", "1", "3",
});

}  // namespace grimbo_test

#endif
