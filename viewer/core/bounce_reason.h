// Why a message came back, as the Reason column shows it: the delivery
// status, a class and the server's own words, read from the head of a
// bounce (its delivery-status part, else its text).
#pragma once

#include <string>
#include <string_view>

namespace ndr {

// Writes into reason (emptied first) the Reason text of the message whose
// file begins with head: "5.1.1 unknown-user: 550 5.1.1 <ann@example.com>:
// Recipient address rejected: User unknown", the status or the words left
// out where the bounce gives none. A message that is no bounce gives "".
//
// The status is the first failed recipient's Status of the delivery-status
// part; without one, the first enhanced status code of the text, else its
// first SMTP reply code. The class is unknown-user, mailbox-full,
// unknown-host, blocked, too-big, expired or other: from the code where it
// is specific, else from the server's words. The words are the recipient's
// Diagnostic-Code without its type, else the line of the text that holds
// the code.
void ReadBounceReason(std::string_view head, std::string& reason);

// The key by which a Reason text sorts: temporary failures before permanent
// ones, then by class, then by the text. "" for "".
void ReasonSortKey(std::string_view text, std::string& key);

}  // namespace ndr
