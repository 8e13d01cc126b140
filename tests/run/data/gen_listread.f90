! Reference of the list-directed read of one real number, as gfortran reads it.
! Each case is a list of records separated by '~'; the records are read with one
! list-directed READ of one real, preset to -7.0. One output line per case:
!   VALUE XXXXXXXX|case   the bits of the real that was read (hex)
!   NULL|case             a null value: the real keeps its preset
!   ERROR|case            gfortran refuses the records (a bad value or the end)
! Regenerate with
!   gfortran gen_listread.f90 && ./a.out > listread_expected.txt
program gen_listread
  implicit none
  integer, parameter :: ncase = 35
  character(len=40) :: cases(ncase), recs(4)
  integer :: k, n, ios, p, q
  real :: x

  cases = [character(len=40) :: &
    '0.', '0', '  12.5', '-3.25e-2', '1.0E+03', '1.5d2', '1.5q2', '1.0+5', '1-2', &
    '.5', '5.', '+7', '12 34', '1.5,7', '2.5/', '  4.0   trailing words', &
    '3*2.5', '3*', ',', '  , 5.0', '/', '0.1', '16777217', '1e-46', '3.4028235e38', &
    '~~  ~0.75', '   ~-1.5', &
    '1.5abc', 'T', '1e', '-', '.', '1.5*2', '0*5', '   ~   ']
  do k = 1, ncase
    n = 0
    p = 1
    do
      q = index(cases(k)(p:), '~')
      n = n + 1
      if (q == 0) then
        recs(n) = cases(k)(p:)
        exit
      end if
      recs(n) = cases(k)(p:p+q-2)
      p = p + q
    end do
    x = -7.0
    read(recs(1:n), *, iostat=ios) x
    if (ios /= 0) then
      write(*, '(A,A)') 'ERROR|', trim(cases(k))
    else if (transfer(x, 0) == transfer(-7.0, 0)) then
      write(*, '(A,A)') 'NULL|', trim(cases(k))
    else
      write(*, '(A,Z8.8,A,A)') 'VALUE ', transfer(x, 0), '|', trim(cases(k))
    end if
  end do
end program
