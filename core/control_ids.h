#pragma once
// The command ids of the wizard's child controls. The labels and the profile list
// have none.

inline constexpr int IDC_SIGNIN_SELECTOR = 150;
inline constexpr int IDC_CREATE_SELECTOR = 151;
inline constexpr int IDC_SIGNIN_USER = 152;
inline constexpr int IDC_SIGNIN_PASSWORD = 153;
inline constexpr int IDC_SIGNIN_BUTTON = 154;
inline constexpr int IDC_FINISH = 155;
inline constexpr int IDC_CREATE_USER = 156;
inline constexpr int IDC_CREATE_PASSWORD = 157;
inline constexpr int IDC_CREATE_CONFIRM = 158;
inline constexpr int IDC_CREATE_EMAIL = 159;
inline constexpr int IDC_CREATE_BUTTON = 160;
inline constexpr int IDC_OPEN_ACCOUNT = 161;
inline constexpr int IDC_NEXT = 162;
inline constexpr int IDC_PROFILE_EXISTING = 163;
inline constexpr int IDC_PROFILE_NEW = 164;
inline constexpr int IDC_PROFILE_NAME = 165;
