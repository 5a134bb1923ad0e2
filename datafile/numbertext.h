#ifndef NUMBERTEXT_H
#define NUMBERTEXT_H

// Text of a double as the tables write it, byte for byte the text of
// QVariant(double).toString(): the shortest decimal that reads back as the same
// double, in Qt's 'g' style. Plain notation unless the decimal exponent is
// below -4 or the number would need more than five zeros in front of its
// point; otherwise d.ddde±XX with at least two exponent digits. Zero of
// either sign is "0"; "inf", "-inf" and "nan" for the non-finite values.
namespace numbertext {

// Longest text formatDouble writes ("-2.2250738585072014e-308").
constexpr int maxLength = 32;

// Writes the text to buffer (at least maxLength chars, not terminated) and
// returns its length.
int formatDouble(double value, char *buffer);

} // namespace numbertext

#endif // NUMBERTEXT_H
