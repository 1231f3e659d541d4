connect LumbraSample;
select o.order_id, o.ordered, o.customer, o.city, o.total
  from order_totals o
 order by o.ordered desc;
stop;

/* Welcome to Lumbra.

   With the caret on the first line, F5 runs this script down to the "stop;" above: it
   connects Q1 to the sample database and loads the newest orders into the grid below.

   Then place the caret on any statement below and press Ctrl+Enter to run just that one.
   A statement ends with a ";" at the end of a line. Type into the grey filter row of the
   grid to filter the rows at once; then click into the grid and press Ctrl+Enter to ask
   the database for the filtered rows. Help > HTML Documentation tells the rest. */

select c.id, c.name, ci.name as city, co.name as country, c.since, c.credit_limit, c.vip, c.note
  from customers c
  join cities ci on ci.id = c.city_id
  join countries co on co.code = ci.country
 order by c.name;

select p.code, p.name, k.name as category, p.unit_price, p.in_stock, p.discontinued
  from products p join categories k on k.id = p.category_id
 order by p.code;

select ci.name as city, count(*) as orders, sum(t.total) as revenue
  from order_totals t join cities ci on ci.name = t.city
 group by ci.name
 order by revenue desc;

select e.name, e.role, m.name as manager, e.hired, e.salary
  from employees e left join employees m on m.id = e.manager_id;

update products set in_stock = in_stock - 1 where code = 'KP-001';

rollback;

select status, count(*) from orders group by status;
