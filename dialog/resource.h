// Resource ids of the dialog template in clockr.rc.
#ifndef CLOCKR_RESOURCE_H
#define CLOCKR_RESOURCE_H

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDD_MAIN 134

#define IDC_PATH_FILTER 1095
#define IDC_LIST 1096
#define IDC_REFRESH 1097
#define IDC_ALL_LEVS 1098
#define IDC_INTERNALS 1100
#define IDC_EXTERNALS 1101
#define IDC_INTERNAL 1102
#define IDC_EXTERNAL 1103
#define IDC_INTERNAL_NUMBER 1104
#define IDC_EXTERNAL_NAME 1105
#define IDC_THREE_DIGITS 1106
#define IDC_TXT_OUTPUT 1107

#endif
