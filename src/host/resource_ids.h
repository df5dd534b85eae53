/* Resource ids, shared by kinemo.rc and the module's code. Plain #defines:
   the resource compiler reads this file too. */
#pragma once

/* menu templates, one per event family */
#define KINEMO_MENU_ACTIONS 20000
#define KINEMO_MENU_CONDITIONS 20001
#define KINEMO_MENU_EXPRESSIONS 20002
#define KINEMO_DIALOG_ABOUT 20003

#define KINEMO_BITMAP_ICON 400
#define KINEMO_BITMAP_PICTURE 401

/* An event's menu command and description string: base + step * code. */
#define KINEMO_CONDITION_MENU_BASE 26000
#define KINEMO_CONDITION_STRING_BASE 6000
#define KINEMO_CONDITION_STEP 0 /* one condition */
#define KINEMO_ACTION_MENU_BASE 25000
#define KINEMO_ACTION_STRING_BASE 5000
#define KINEMO_ACTION_STEP 1
#define KINEMO_EXPRESSION_MENU_BASE 27000
#define KINEMO_EXPRESSION_STRING_BASE 7000
#define KINEMO_EXPRESSION_STEP 10

/* the object's texts in the host's lists */
#define KINEMO_STRING_NAME 128
#define KINEMO_STRING_AUTHOR 129
#define KINEMO_STRING_COPYRIGHT 130
#define KINEMO_STRING_VERSION 131
#define KINEMO_STRING_WEB 132
