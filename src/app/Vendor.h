#pragma once

/** The maker's web presence, quoted by every message that points the user there. */
namespace vendor
{
inline constexpr const char* supportEmail = "support@zezevadedidid.com";
inline constexpr const char* downloadPage = "https://www.zezevadedidid.com/download/RAV";
} // namespace vendor
