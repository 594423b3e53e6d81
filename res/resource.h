// Every numbered resource and control of the program. The suite's resource
// library TelmarRC.dll carries the same numbers, so they must never change.
#pragma once

#define IDD_ABOUTBOX 16600
#define IDD_DORVAK_DIALOG 16602
#define IDI_DORVAK 16628

#define IDC_START_DATE 16650
#define IDC_PROGRESS 16651
#define IDC_ABOUT_ICON 16652
#define IDC_DESCRIPTION 16653
#define IDC_VERSION 16654

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
// Not in the program's own table: the text a date that cannot be shown reads
// as, when a resource library supplies one.
#define IDS_INVALID_DATETIME 55296

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
