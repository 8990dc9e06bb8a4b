// The two places the info screen sends the user to.
#pragma once

// The maker's web site; the web-site button shows its host.
constexpr const char kVHMakerSiteURL[] = "https://starchart.example.org/";
constexpr const char kVHMakerSiteHost[] = "starchart.example.org";
// The store page of the maker's other application.
constexpr const char kVHOtherAppStoreURL[] = "https://apps.example.org/app/starchart-planets";
