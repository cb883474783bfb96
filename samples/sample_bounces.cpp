#include "sample_bounces.h"

namespace ndr::samples {

namespace {

// clang-format off
constexpr LabelledBounce kBounces[] = {
{"postfix: unknown user (delivery-status part)", "5.1.1", "unknown-user",
R"(Return-Path: <>
Received: by mx.example.com (Postfix) id 4F1A22C3B; Tue,  3 Mar 2026 10:15:02 +0100 (CET)
Date: Tue,  3 Mar 2026 10:15:02 +0100 (CET)
From: MAILER-DAEMON@mx.example.com (Mail Delivery System)
Subject: Undelivered Mail Returned to Sender
To: remailer@diverido.example
Auto-Submitted: auto-replied
MIME-Version: 1.0
Content-Type: multipart/report; report-type=delivery-status;
	boundary="4F1A22C3B.1772529302/mx.example.com"

This is a MIME-encapsulated message.

--4F1A22C3B.1772529302/mx.example.com
Content-Description: Notification
Content-Type: text/plain; charset=us-ascii

This is the mail system at host mx.example.com.

I'm sorry to have to inform you that your message could not
be delivered to one or more recipients. It's attached below.

<ann@example.org>: host mx.example.org[192.0.2.17] said: 550 5.1.1
    <ann@example.org>: Recipient address rejected: User unknown in local
    recipient table (in reply to RCPT TO command)

--4F1A22C3B.1772529302/mx.example.com
Content-Description: Delivery report
Content-Type: message/delivery-status

Reporting-MTA: dns; mx.example.com
X-Postfix-Queue-ID: 4F1A22C3B
Arrival-Date: Tue,  3 Mar 2026 10:14:58 +0100 (CET)

Final-Recipient: rfc822; ann@example.org
Original-Recipient: rfc822;ann@example.org
Action: failed
Status: 5.1.1
Remote-MTA: dns; mx.example.org
Diagnostic-Code: smtp; 550 5.1.1 <ann@example.org>: Recipient address rejected:
    User unknown in local recipient table

--4F1A22C3B.1772529302/mx.example.com
Content-Description: Undelivered Message
Content-Type: message/rfc822

Received: from diverido.example (10.0.0.4) by Wren's Mercury SMTP (Server) (Mercury/32 v3.21c) ID# 0-4471;
To: ann@example.org
Subject: Meeting notes

Text of the message.
--4F1A22C3B.1772529302/mx.example.com--
)"},

{"postfix: domain without mail host, second recipient failed", "5.4.4", "unknown-host",
R"(Return-Path: <>
From: MAILER-DAEMON@relay.example.net (Mail Delivery System)
Subject: Undelivered Mail Returned to Sender
To: remailer@diverido.example
Content-Type: multipart/report; report-type=delivery-status; boundary="B7.1772/relay"

--B7.1772/relay
Content-Type: text/plain; charset=us-ascii

<bo@example.invalid>: Host or domain name not found. Name service error for
    name=example.invalid type=MX: Host not found, try again

--B7.1772/relay
Content-Type: message/delivery-status

Reporting-MTA: dns; relay.example.net

Final-Recipient: rfc822; cy@example.com
Action: delivered
Status: 2.0.0

Final-Recipient: rfc822; bo@example.invalid
Action: failed
Status: 5.4.4
Diagnostic-Code: X-Postfix; Host or domain name not found. Name service error
    for name=example.invalid type=MX: Host not found, try again

--B7.1772/relay--
)"},

{"postfix: delay warning, server deferring the sender", "4.7.0", "blocked",
R"(Return-Path: <>
From: MAILER-DAEMON@relay.example.net (Mail Delivery System)
Subject: Delayed Mail (still being retried)
To: remailer@diverido.example
Content-Type: multipart/report; report-type=delivery-status; boundary="C9.1772/relay"

--C9.1772/relay
Content-Type: text/plain; charset=us-ascii

This is a delivery status notification, NOT an error.

Your message could not be delivered for more than 4 hour(s).
It will be retried until it is 5 day(s) old.

--C9.1772/relay
Content-Type: message/delivery-status

Reporting-MTA: dns; relay.example.net

Final-Recipient: rfc822; dee@mail.example.org
Action: delayed
Status: 4.7.0
Diagnostic-Code: smtp; 421 4.7.0 [TS02] Messages from 192.0.2.9 temporarily
    deferred due to unexpected volume or user complaints
Will-Retry-Until: Sun, 8 Mar 2026 10:15:02 +0100 (CET)

--C9.1772/relay--
)"},

{"postfix: delay warning, connection timed out", "4.4.1", "expired",
R"(Return-Path: <>
From: MAILER-DAEMON@relay.example.net (Mail Delivery System)
Subject: Delayed Mail (still being retried)
Content-Type: multipart/report; report-type=delivery-status; boundary="D1.1772/relay"

--D1.1772/relay
Content-Type: message/delivery-status

Reporting-MTA: dns; relay.example.net

Final-Recipient: rfc822; eve@example.net
Action: delayed
Status: 4.4.1
Diagnostic-Code: X-Postfix; connect to mx.example.net[192.0.2.30]:25: Connection
    timed out

--D1.1772/relay--
)"},

{"exim: plain text, mailbox full", "5.2.2", "mailbox-full",
R"(Return-path: <>
Received: from Debian-exim by smtp.example.org with local (Exim 4.96)
	id 1vXq2c-0003Fa-2T; Wed, 04 Mar 2026 08:01:12 +0000
X-Failed-Recipients: bob@example.org
Auto-Submitted: auto-replied
From: Mail Delivery System <Mailer-Daemon@smtp.example.org>
To: remailer@diverido.example
Subject: Mail delivery failed: returning message to sender
Date: Wed, 04 Mar 2026 08:01:12 +0000

This message was created automatically by mail delivery software.

A message that you sent could not be delivered to one or more of its
recipients. This is a permanent error. The following address(es) failed:

  bob@example.org
    host mx.example.org [192.0.2.25]
    SMTP error from remote mail server after RCPT TO:<bob@example.org>:
    552 5.2.2 bob@example.org: mailbox is full (quota 500 MB)

------ This is a copy of the message, including all the headers. ------

Return-path: <remailer@diverido.example>
Received: from 127.0.0.1 (localhost) by diverido.example; Wed, 04 Mar 2026 08:01:09 +0000
Subject: Weekly digest
)"},

{"exim: plain text, unrouteable address, no code", "", "unknown-host",
R"(Return-path: <>
From: Mail Delivery System <Mailer-Daemon@smtp.example.org>
To: remailer@diverido.example
Subject: Mail delivery failed: returning message to sender

This message was created automatically by mail delivery software.

A message that you sent could not be delivered to one or more of its
recipients. This is a permanent error. The following address(es) failed:

  fay@nowhere.example
    Unrouteable address

------ This is a copy of the message, including all the headers. ------
)"},

{"exim: plain text, retry time exceeded, no code", "", "expired",
R"(From: Mail Delivery System <Mailer-Daemon@smtp.example.org>
To: remailer@diverido.example
Subject: Mail delivery failed: returning message to sender

A message that you sent could not be delivered to one or more of its
recipients. This is a permanent error. The following address(es) failed:

  gus@example.net
    retry timeout exceeded

------ This is a copy of the message, including all the headers. ------
)"},

{"sendmail: host unknown, no diagnostic code in the report", "5.1.2", "unknown-host",
R"(Return-Path: <MAILER-DAEMON>
From: Mail Delivery Subsystem <MAILER-DAEMON@gate.example.edu>
To: <remailer@diverido.example>
MIME-Version: 1.0
Content-Type: multipart/report; report-type=delivery-status;
	boundary="2A3FQx8L021187.1772601600/gate.example.edu"
Subject: Returned mail: see transcript for details
Auto-Submitted: auto-generated (failure)

--2A3FQx8L021187.1772601600/gate.example.edu

The original message was received at Wed, 4 Mar 2026 06:20:00 GMT
from localhost [127.0.0.1]

   ----- The following addresses had permanent fatal errors -----
<hal@example.invalid>
    (reason: 550 Host unknown)

   ----- Transcript of session follows -----
550 5.1.2 <hal@example.invalid>... Host unknown (Name server: example.invalid: host not found)

--2A3FQx8L021187.1772601600/gate.example.edu
Content-Type: message/delivery-status

Reporting-MTA: dns; gate.example.edu
Received-From-MTA: DNS; localhost
Arrival-Date: Wed, 4 Mar 2026 06:20:00 GMT

Final-Recipient: RFC822; hal@example.invalid
Action: failed
Status: 5.1.2
Remote-MTA: DNS; example.invalid
Last-Attempt-Date: Wed, 4 Mar 2026 06:20:01 GMT

--2A3FQx8L021187.1772601600/gate.example.edu--
)"},

{"sendmail: warning, plain text", "4.4.1", "expired",
R"(From: Mail Delivery Subsystem <MAILER-DAEMON@gate.example.edu>
To: <remailer@diverido.example>
Subject: Warning: could not send message for past 4 hours

    **********************************************
    **      THIS IS A WARNING MESSAGE ONLY      **
    **  YOU DO NOT NEED TO RESEND YOUR MESSAGE  **
    **********************************************

The original message was received at Wed, 4 Mar 2026 06:20:00 GMT

   ----- Transcript of session follows -----
451 4.4.1 <ida@example.com>... Deferred: Connection timed out with mx.example.com.
Warning: message still undelivered after 4 hours
)"},

{"qmail: relaying refused", "5.7.1", "blocked",
R"(Return-Path: <>
From: MAILER-DAEMON@mail.example.com
To: remailer@diverido.example
Subject: failure notice

Hi. This is the qmail-send program at mail.example.com.
I'm afraid I wasn't able to deliver your message to the following addresses.
This is a permanent error; I've given up. Sorry it didn't work out.

<jo@example.net>:
192.0.2.44 does not like recipient.
Remote host said: 554 5.7.1 <jo@example.net>: Relay access denied
Giving up on 192.0.2.44.

--- Below this line is a copy of the message.

Return-Path: <remailer@diverido.example>
Received: (qmail 9921 invoked by uid 89); 4 Mar 2026 09:00:00 -0000
)"},

{"qmail: local mailbox missing", "5.1.1", "unknown-user",
R"(From: MAILER-DAEMON@mail.example.com
To: remailer@diverido.example
Subject: failure notice

Hi. This is the qmail-send program at mail.example.com.
I'm afraid I wasn't able to deliver your message to the following addresses.
This is a permanent error; I've given up. Sorry it didn't work out.

<kim@mail.example.com>:
Sorry, no mailbox here by that name. (#5.1.1)

--- Below this line is a copy of the message.
)"},

{"exchange: recipient not found under a generic code", "5.1.10", "unknown-user",
R"(From: Mail Delivery Service <postmaster@corp.example>
To: <remailer@diverido.example>
Date: Thu, 5 Mar 2026 11:30:00 +0000
Content-Type: multipart/report; report-type=delivery-status;
	boundary="_000_ex01corpexample_"
Subject: Undeliverable: =?iso-8859-1?Q?R=E9sum=E9_f=FCr_?=
 =?UTF-8?B?TcO8bGxlcg==?=
Auto-Submitted: auto-replied

--_000_ex01corpexample_
Content-Type: text/plain; charset="us-ascii"

Delivery has failed to these recipients or groups:

lee@corp.example
The email address you entered couldn't be found.

Diagnostic information for administrators:

Generating server: EX01.corp.example

lee@corp.example
Remote Server returned '550 5.1.10 RESOLVER.RCPT.NotFound; Recipient not found by SMTP address lookup'

--_000_ex01corpexample_
Content-Type: message/delivery-status

Reporting-MTA: dns;EX01.corp.example
Received-From-MTA: dns;EX02.corp.example

Final-recipient: RFC822; lee@corp.example
Action: failed
Status: 5.1.10
Diagnostic-code: smtp;550 5.1.10 RESOLVER.RCPT.NotFound; Recipient not found by SMTP address lookup

--_000_ex01corpexample_--
)"},

{"exchange hosted service: refused by the recipient's policy", "5.4.1", "blocked",
R"(From: postmaster@tenant.mail.example
To: remailer@diverido.example
Subject: Undeliverable: Hello again
Content-Type: multipart/report; report-type=delivery-status;
	boundary="b1_9c0e"

--b1_9c0e
Content-Type: message/delivery-status

Reporting-MTA: dns;AM7P190MB0611.mail.example

Final-recipient: RFC822; mo@tenant.example
Action: failed
Status: 5.4.1
Diagnostic-code: smtp;550 5.4.1 Recipient address rejected: Access denied. [AM7EUR03FT042.eop.mail.example]

--b1_9c0e--
)"},

{"gmail: account does not exist, folded diagnostic", "5.1.1", "unknown-user",
R"(Return-Path: <>
From: Mail Delivery Subsystem <mailer-daemon@googlemail.example>
To: remailer@diverido.example
Subject: Delivery Status Notification (Failure)
Content-Type: multipart/report; boundary="000000000000f1e2d3"; report-type=delivery-status

--000000000000f1e2d3
Content-Type: text/plain; charset="UTF-8"

** Address not found **

Your message wasn't delivered to ned@example.com because the address couldn't be found.

--000000000000f1e2d3
Content-Type: message/delivery-status

Reporting-MTA: dns; googlemail.example

Final-Recipient: rfc822; ned@example.com
Action: failed
Status: 5.1.1
Remote-MTA: dns; mx.example.com. (192.0.2.61, the server for the domain example.com.)
Diagnostic-Code: smtp; 550-5.1.1 The account you tried to reach is not there. Please check
 550-5.1.1 the spelling of the address and try again.
 550 5.1.1 a1b2c3 - gm
Last-Attempt-Date: Fri, 06 Mar 2026 02:10:44 -0800 (PST)

--000000000000f1e2d3--
)"},

{"gmail: sender not authenticated", "5.7.26", "blocked",
R"(From: Mail Delivery Subsystem <mailer-daemon@googlemail.example>
Subject: Delivery Status Notification (Failure)
Content-Type: multipart/report; boundary="0000f9"; report-type=delivery-status

--0000f9
Content-Type: message/delivery-status

Final-Recipient: rfc822; ola@example.com
Action: failed
Status: 5.7.26
Diagnostic-Code: smtp; 550-5.7.26 The mail from this sender could not be
 550-5.7.26 authenticated, so it was turned away.

--0000f9--
)"},

{"yahoo: plain text, reply code only", "554", "unknown-user",
R"(From: MAILER-DAEMON@mta1.yahoo.example
To: remailer@diverido.example
Subject: Failure Notice

Sorry, we were unable to deliver your message to the following address.

<pat@yahoo.example>:
554: delivery error: dd This user doesn't have a yahoo.example account (pat@yahoo.example) [0] - mta1.yahoo.example

--- Below this line is a copy of the message.
)"},

{"yahoo: message too large", "5.3.4", "too-big",
R"(From: MAILER-DAEMON@mta2.yahoo.example
Subject: Failure Notice

Sorry, we were unable to deliver your message to the following address.

<quin@yahoo.example>:
552 5.3.4 Message size exceeds the limit of this server

--- Below this line is a copy of the message.
)"},

{"amazon ses: message too big", "5.3.4", "too-big",
R"(From: MAILER-DAEMON@email-smtp.example.com
To: remailer@diverido.example
Subject: Delivery Status Notification (Failure)
MIME-Version: 1.0
Content-Type: multipart/report; report-type=delivery-status; boundary="=_ses_17c"

--=_ses_17c
Content-Type: text/plain; charset=UTF-8

An error occurred while trying to deliver the mail to the following recipients:
rex@example.com

--=_ses_17c
Content-Type: message/delivery-status

Reporting-MTA: dns; a8-12.smtp-out.email.example.com

Action: failed
Final-Recipient: rfc822; rex@example.com
Diagnostic-Code: smtp; 552 5.3.4 Message size exceeds fixed limit
Status: 5.3.4

--=_ses_17c--
)"},

{"amazon ses: generic code, mailbox over quota", "5.0.0", "mailbox-full",
R"(From: MAILER-DAEMON@email-smtp.example.com
Subject: Delivery Status Notification (Failure)
Content-Type: multipart/report; report-type=delivery-status; boundary="=_ses_18d"

--=_ses_18d
Content-Type: message/delivery-status

Action: failed
Final-Recipient: rfc822; sue@example.com
Diagnostic-Code: smtp; 550 5.0.0 Mailbox over quota, try again later
Status: 5.0.0

--=_ses_18d--
)"},

{"plain text: reply code only, mailbox unavailable", "550", "unknown-user",
R"(From: Postmaster <postmaster@mail.example.edu>
To: remailer@diverido.example
Subject: Returned mail: User unknown

The following message to <tom@mail.example.edu> was undeliverable.
The reason for the problem:
550 Requested action not taken: mailbox unavailable

Received: from diverido.example by mail.example.edu; Sat, 7 Mar 2026 12:00:00 +0100
)"},

{"plain text: expired, specific code", "4.4.7", "expired",
R"(From: Mail Delivery System <MAILER-DAEMON@mx.example.net>
Subject: Delivery failure: message expired

Your message to uma@example.org could not be delivered in the time allowed.
Status: 4.4.7 Delivery time expired after 5 days of retries
)"},

{"not a bounce: an ordinary message", "", "",
R"(From: Vic <vic@example.com>
To: remailer@diverido.example
Subject: Re: your question 550 5.1.1

I saw the code 550 5.1.1 in my logs, what does it mean?
)"},

{"not a bounce: a read receipt", "", "",
R"(From: Wes <wes@example.com>
Subject: Read: Hello again
Content-Type: multipart/report; report-type=disposition-notification; boundary="rr1"

--rr1
Content-Type: message/disposition-notification

Final-Recipient: rfc822; wes@example.com
Disposition: manual-action/MDN-sent-manually; displayed

--rr1--
)"},

{"not a bounce: a queue file", "", "",
R"(RELI_MAILOUT
07/03/2026 12:00:00

From: Nobody <nobody@diverido.example>
To: xan@example.com
Subject: Hello again
)"},
};
// clang-format on

}  // namespace

std::span<const LabelledBounce> LabelledBounces() {
  return kBounces;
}

std::string WithLineEnds(std::string_view text, LineEnd lineEnd) {
  const std::string_view end =
      lineEnd == LineEnd::kCrLf ? "\r\n" : (lineEnd == LineEnd::kCr ? "\r" : "\n");
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (char c : text) {
    if (c == '\n')
      out += end;
    else
      out += c;
  }
  return out;
}

}  // namespace ndr::samples
