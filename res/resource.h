// Every numbered resource and control of the program. The suite's resource
// library TelmarRC.dll carries the same numbers, so they must never change.
#pragma once

#define IDD_ABOUTBOX 16600
#define IDD_DORVAK_DIALOG 16602
#define IDD_SUMMARY_DIALOG 16604
#define IDI_DORVAK 16628

#define IDC_START_DATE 16650
#define IDC_PROGRESS 16651
#define IDC_ABOUT_ICON 16652
#define IDC_DESCRIPTION 16653
#define IDC_VERSION 16654
#define IDC_SUMMARY_ICON 16655
#define IDC_SEND_MAIL 16656
#define IDC_SHOW_ARCHIVE 16657
// The id a message box gives its text: the summary stands where a box
// stood, and whatever reads boxes reads it alike.
#define IDC_SUMMARY_TEXT 0xFFFF

#define IDM_ABOUTBOX 0x0010

#define IDS_ABOUTBOX 16601
#define IDS_NO_DESCRIPTION 16700
#define IDS_FOLDER 16701
#define IDS_FOLDER_EXISTS 16702
#define IDS_CREATE_FOLDER_FAILED 16703
#define IDS_SAVED_TO 16704
#define IDS_SEND_TO_SUPPORT 16705
#define IDS_COPY_FILE_FAILED 16706
#define IDS_WRITE_FILE_FAILED 16707
#define IDS_PROGRAM_TIMED_OUT 16708
#define IDS_HANDLER_FAILED 16709
#define IDS_ARCHIVE_READ_FAILED 16710
#define IDS_ARCHIVE_MADE 16711
#define IDS_MEGABYTES 16712
#define IDS_ARCHIVE_BY_HAND 16713
#define IDS_RUN_INCOMPLETE 16714
#define IDS_NAMED_IN_RECORD 16715
#define IDS_RECORD_INCOMPLETE 16716
#define IDS_MAIL_LIMIT_MB 16717
#define IDS_ARCHIVE_TOO_LARGE 16718
#define IDS_MAIL_FAILED 16719
#define IDS_MAIL_SHOWN_INSTEAD 16720
#define IDS_SHOW_FAILED 16721
// Not in the program's own table: the text a date that cannot be shown reads
// as, when a resource library supplies one.
#define IDS_INVALID_DATETIME 55296

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
