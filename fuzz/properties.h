// The properties that the fuzz targets check on every input they are given,
// and that the corpus replay test checks in the ordinary builds. Each check
// returns "" when its property holds, else what went wrong. The checks that
// need a file write the input into one scratch folder of their own.
#pragma once

#include <string>
#include <string_view>

namespace ndr::fuzz {

// InternetDateToDate on the text: a valid date-time or the zero instant,
// whatever the text; the same value after the letters' case is changed or
// comments and blanks are put around it. The first bytes also pick an instant,
// a zone and a written form: the text formatted from them reads back to the
// instant in UTC.
std::string CheckMailDate(std::string_view input);

// ReadMessage on a file of these bytes: the record a plain model of the
// header reader gives (at most 70 lines read, the last header of each name,
// the body fields from the lines after the first empty one), and the file
// left as it was.
std::string CheckMessageReader(std::string_view input);

// ExtractBounce on a bounce of these bytes: the outcome a plain model gives;
// no new pair unless the copy was rebuilt (a waiting one is overwritten);
// then the ".q1" file holds, byte for byte, the bounce's lines after the
// copied header, and the ".q0" file the queue header and the copied header's
// kept lines, nothing from before the marker line. The bounce is left as it
// was.
std::string CheckBounceExtract(std::string_view input);

// LineReader on a file: the first byte picks how it is read (whole lines
// kept to some length, or pieces of some size, and where in the read buffer
// the bytes fall), the rest is the file. The lines never hold more bytes than
// the file, no line holds a CR, and the lines joined with their ends give the
// file back.
std::string CheckLineReader(std::string_view input);

// The folder the checks write their files into: made at first use under the
// system's folder for temporary files, one per process, removed at exit.
const std::string& ScratchFolder();

}  // namespace ndr::fuzz
