// Resource and control ids of SetUp.exe. Plain defines: the resource compiler reads this too.
#pragma once

#define IDI_SETUP 1
#define IDD_SETUP 141
#define IDB_TOP_PICTURE 147
#define IDB_MENU_PICTURE 151

// Template 141.
#define IDC_PATH_EDIT 1000
#define IDC_VERSION_LABEL 1013
#define IDC_PROGRESS 1014
#define IDC_BROWSE 1015
#define IDC_COMPONENT_PROMPT 1016
#define IDC_PATH_PROMPT 1017
#define IDC_ACAD2007 1018
#define IDC_ACAD2008 1019
#define IDC_ACAD2009 1020
#define IDC_MENU_PICTURE 1021
#define IDC_INSTALL 1022
#define IDC_DONE_TEXT 1023
// 2010 and 2011 carry each other's number.
#define IDC_ACAD2011 1026
#define IDC_ACAD2010 1027
#define IDC_ACAD2012 1028
#define IDC_ACAD2013 1029
#define IDC_ACAD2014 1030
#define IDC_ACAD2015 1031
#define IDC_ACAD2016 1032
#define IDC_ACAD2017 1033
#define IDC_ACAD2018 1034
#define IDC_ACAD2019 1035
#define IDC_ACAD2020 1036
#define IDC_ACAD2021 1037
#define IDC_ACAD2022 1038
#define IDC_ACAD2023 1039
#define IDC_ACAD2024 1040
#define IDC_ACAD2025 1041

// The path box the folder picker adds to the shell's folder browser, and the browser's own
// controls it places the box by.
#define IDC_PICKER_PATH_EDIT 14148
#define IDC_BROWSER_TREE 14145
#define IDC_BROWSER_STATUS 14147
