/* Version of the libraries and programs, printed by each program's --version
 * and returned by IBISCHK_Version. */
#ifndef BASE_VERSION_H
#define BASE_VERSION_H

#define AMI_VERSION "0.9.0"

#endif /* BASE_VERSION_H */
